#include "app/CommandLine.h"

#include <QCoreApplication>

namespace verimetra {

namespace {

class CommandLineText
{
    Q_DECLARE_TR_FUNCTIONS(CommandLine)

public:
    static QString help()
    {
        return tr("Usage: verimetra [FILE]\n"
                  "Measures the area of leaves, or of any dark object on a light background,\n"
                  "in scanned or photographed images.\n"
                  "\n"
                  "  FILE           an image file to open at start-up (JPEG, PNG, TIFF, BMP,\n"
                  "                 WebP or GIF)\n"
                  "  -h, --help     show this help and end\n"
                  "  -v, --version  show the version and end\n");
    }
    static QString version()
    {
        return QStringLiteral("Verimetra %1\n").arg(QLatin1String(VERIMETRA_VERSION));
    }
    static QString unknownOption(const QString& option)
    {
        return tr("verimetra: unknown option \"%1\"\nTry \"verimetra --help\".\n").arg(option);
    }
    static QString twoFiles()
    {
        return tr("verimetra: give one image file at the most\nTry \"verimetra --help\".\n");
    }
};

} // namespace

CommandLine readCommandLine(const QStringList& arguments)
{
    CommandLine line;
    QStringList files;
    QString unknown;
    bool options = true;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (options && argument == QLatin1String("--")) {
            options = false;
        } else if (options &&
                   (argument == QLatin1String("-h") || argument == QLatin1String("--help") ||
                    argument == QLatin1String("-?"))) {
            line.end = true;
            line.output = CommandLineText::help();
            return line;
        } else if (options &&
                   (argument == QLatin1String("-v") || argument == QLatin1String("--version"))) {
            line.end = true;
            line.output = CommandLineText::version();
            return line;
        } else if (options && argument.size() > 1 && argument.startsWith(QLatin1Char('-'))) {
            if (unknown.isEmpty()) {
                unknown = argument;
            }
        } else {
            files << argument;
        }
    }
    if (!unknown.isEmpty() || files.size() > 1) {
        line.end = true;
        line.exitCode = 2;
        line.output = unknown.isEmpty() ? CommandLineText::twoFiles()
                                        : CommandLineText::unknownOption(unknown);
        return line;
    }
    line.file = files.value(0);
    return line;
}

} // namespace verimetra
