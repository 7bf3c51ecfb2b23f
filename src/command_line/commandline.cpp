#include "commandline.h"

#include "console.h"
#include "consolepurge.h"
#include "platformerror.h"
#include "wildcardpattern.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <algorithm>

#include <cstdio>

namespace {

const QString kPurge = QStringLiteral("purge");
const QString kDryRun = QStringLiteral("dry-run");
const QString kNull = QStringLiteral("null");
const QString kPattern = QStringLiteral("pattern");
const QString kRecursive = QStringLiteral("recursive");
const QString kVerbose = QStringLiteral("verbose");
const QString kVersion = QStringLiteral("version");
const QString kKeep = QStringLiteral("keep");
const QString kTrash = QStringLiteral("trash");
const QString kRenumber = QStringLiteral("renumber");
const QString kTypes = QStringLiteral("types");
const QString kJson = QStringLiteral("json");
const QString kQuiet = QStringLiteral("quiet");
const QString kExclude = QStringLiteral("exclude");
const QString kJobs = QStringLiteral("jobs");

// The value of --keep or --jobs: a count of at least one; 0 for anything else.
int countOf(const QString &text)
{
    bool ok = false;
    const int count = text.toInt(&ok);
    return ok && count >= 1 ? count : 0;
}

} // namespace

CommandLine::CommandLine(int argc, char *argv[])
{
    m_parser.setApplicationDescription(QStringLiteral(
        "Keeps the highest version of each Pro Engineer model file (name.type.N) and\n"
        "deletes the others. Without --purge it opens the window, on FOLDER when one is\n"
        "given; the saved folder changes only when the window closes."));
    // Qt's own help option would offer Qt's window options, which are not taken here; and -v is
    // --verbose, so the version has its long name only.
    m_parser.addOptions({
        {{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Displays this help.")},
        {kVersion, QStringLiteral("Displays version information.")},
        {kPurge, QStringLiteral("Purges each FOLDER without a window and without asking, as the "
                                "window purges with \"Confirm before delete ?\" unchecked.")},
        {{QStringLiteral("n"), kDryRun},
         QStringLiteral("Prints the files that would be deleted, one path a line, and deletes "
                        "nothing.")},
        {kPattern,
         QStringLiteral("Purges only the files that match PATTERN, as the window's filter does "
                        "(* and ?, several patterns separated by ;). The default is *.*."),
         QStringLiteral("PATTERN"), QStringLiteral("*.*")},
        {{QStringLiteral("r"), kRecursive},
         QStringLiteral("Purges every folder below each FOLDER too, each on its own. Symbolic "
                        "links, hidden folders and other file systems are not entered.")},
        {{QStringLiteral("v"), kVerbose}, QStringLiteral("Prints each file deleted.")},
        {kKeep,
         QStringLiteral("Keeps the N highest versions of each model (equal versions stay "
                        "together). The default is 1."),
         QStringLiteral("N"), QStringLiteral("1")},
        {kTrash,
         QStringLiteral("Moves the old versions to the desktop's trash instead of deleting them. "
                        "A file that no trash can take stops the run; it is never deleted "
                        "instead.")},
        {kRenumber,
         QStringLiteral("Once a model's old versions are gone, renames the versions kept to .1, "
                        ".2 ... in order. A model whose new name another file has keeps its "
                        "names.")},
        {kTypes,
         QStringLiteral("The types whose numbered files are versions, separated by commas: "
                        "any of prt, asm, drw, sec, bom, txt (the default), frm, lay, dgm, gph, "
                        "sym, tbl, win, mfg."),
         QStringLiteral("LIST")},
        {kJson,
         QStringLiteral("Prints one JSON document: for each folder the plan (with --dry-run) or "
                        "what was done, what failed and why, and the bytes freed.")},
        {{QStringLiteral("q"), kQuiet},
         QStringLiteral("Prints nothing but errors (and the paths of --dry-run).")},
        {kExclude,
         QStringLiteral("Leaves folders whose name matches GLOB (* and ?) out of --recursive; "
                        "may be given more than once."),
         QStringLiteral("GLOB")},
        {{QStringLiteral("j"), kJobs},
         QStringLiteral("Purges up to N folders at once (the default is the number of cores); "
                        "the output is that of one folder after another all the same."),
         QStringLiteral("N"), QString::number(std::max(1, QThread::idealThreadCount()))},
        {{QStringLiteral("0"), kNull},
         QStringLiteral("Ends each path printed by --dry-run and --verbose with a NUL instead of "
                        "a newline, and prints it as it is, unquoted (for xargs -0); the reports "
                        "then go to standard error.")},
    });
    m_parser.addPositionalArgument(
        QStringLiteral("FOLDER"),
        QStringLiteral("The folder to open the window on; with --purge, the folders to purge."),
        QStringLiteral("[FOLDER...]"));
    m_parsed = m_parser.parse(programArguments(argc, argv));
}

bool CommandLine::opensWindow() const
{
    const QStringList folders = m_parser.positionalArguments();
    return m_parsed && m_parser.optionNames().isEmpty() && folders.size() <= 1 &&
           (folders.isEmpty() || QFileInfo(folders.first()).isDir());
}

QString CommandLine::windowFolder() const
{
    const QStringList folders = m_parser.positionalArguments();
    // The folder the system finds there: "link/.." is the parent of where the link leads, which
    // cleaning the text would take for the current folder.
    return folders.isEmpty() ? QString() : QFileInfo(folders.first()).canonicalFilePath();
}

QString CommandLine::usageProblem() const
{
    const QStringList folders = m_parser.positionalArguments();
    if (!m_parser.isSet(kPurge)) {
        for (const QString &option : {kDryRun, kNull, kPattern, kRecursive, kVerbose, kKeep, kTrash,
                                      kRenumber, kTypes, kJson, kQuiet, kExclude, kJobs}) {
            if (m_parser.isSet(option))
                return QStringLiteral("--") + option + QStringLiteral(" goes with --purge");
        }
        if (folders.size() > 1)
            return QStringLiteral("the window opens one folder; --purge takes several");
        return folders.first() + QStringLiteral(": not a folder");
    }
    if (folders.isEmpty())
        return QStringLiteral("--purge needs a folder");
    if (countOf(m_parser.value(kKeep)) == 0)
        return QStringLiteral("--keep takes a number of versions, 1 or more");
    if (countOf(m_parser.value(kJobs)) == 0)
        return QStringLiteral("--jobs takes a number of folders, 1 or more");
    VersionTypeSet types;
    QString unknown;
    if (!VersionTypeSet::parse(m_parser.value(kTypes), types, &unknown))
        return unknown + QStringLiteral(": not a version type; --types takes prt, asm, drw, sec, "
                                        "bom, txt, frm, lay, dgm, gph, sym, tbl, win, mfg");
    if (m_parser.isSet(kJson) && m_parser.isSet(kNull))
        return QStringLiteral("--json and --null cannot go together");
    if (m_parser.isSet(kExclude) && !m_parser.isSet(kRecursive))
        return QStringLiteral("--exclude goes with --recursive");
    try {
        const WildcardPattern pattern(m_parser.value(kPattern), Qt::CaseInsensitive);
    } catch (const PlatformError &error) {
        return error.message();
    }
    return {};
}

int CommandLine::run(int &argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QString problem = m_parsed ? QString() : m_parser.errorText();
    // Printed here, not by the parser: on Windows it shows a message box instead whenever it
    // finds no console of its own, and this program's output is its parent's console or a pipe.
    if (m_parsed && m_parser.isSet(QStringLiteral("help"))) {
        std::fputs(m_parser.helpText().toUtf8().constData(), stdout);
        return 0;
    }
    if (m_parsed && m_parser.isSet(kVersion)) {
        std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                    qPrintable(QCoreApplication::applicationVersion()));
        return 0;
    }
    if (problem.isEmpty())
        problem = usageProblem();
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "vintrex: %s\nTry 'vintrex --help' for more information.\n",
                     problem.toUtf8().constData());
        return 2;
    }
    ConsolePurge::Options options;
    options.pattern = m_parser.value(kPattern);
    options.dryRun = m_parser.isSet(kDryRun);
    options.verbose = m_parser.isSet(kVerbose);
    options.nullTerminated = m_parser.isSet(kNull);
    options.json = m_parser.isSet(kJson);
    options.quiet = m_parser.isSet(kQuiet);
    options.exclude = m_parser.values(kExclude);
    options.purge.keep = countOf(m_parser.value(kKeep));
    options.jobs = std::min(countOf(m_parser.value(kJobs)), 64);
    options.purge.trash = m_parser.isSet(kTrash);
    options.purge.renumber = m_parser.isSet(kRenumber);
    VersionTypeSet::parse(m_parser.value(kTypes), options.purge.types);
    ConsolePurge console(options);
    return console.run(m_parser.positionalArguments(), m_parser.isSet(kRecursive)) ? 0 : 1;
}
