// Measures what users of the program wait for against the raw system calls it is built on, on
// generated folders of Pro Engineer version files, each line against its floor in the same run.
// Prints one line per measurement. --size N sets the number of files of each folder.

#include "busypointer.h"
#include "confirmdialoghost.h"
#include "dirlist.h"
#include "fileinformation.h"
#include "filelist.h"
#include "folderreader.h"
#include "messageboxes.h"
#include "pinnedfolder.h"
#include "profilenames.h"
#include "programstarter.h"
#include "promodule.h"
#include "purge.h"
#include "purgelist.h"
#include "registry.h"
#include "settingsstore.h"
#include "tree.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLabel>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>

namespace {

constexpr int kVersions = 10;

// Answers every question with Yes, as a user who wants the purge.
class YesMessages : public MessageBoxes
{
public:
    Answer show(const QString &, const QString &, Icon, Buttons buttons, const QString &) override
    {
        return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    }
};

// The system's file operations, noting when the last deletion ended, so that a purge's own
// deletions can be told from the re-reading and reports that follow them.
class TimedOperations : public FileOperations
{
public:
    int remove(int folderFd, const char *name) override
    {
        const int err = FileOperations::remove(folderFd, name);
        lastRemoval = clock.nsecsElapsed();
        return err;
    }
    // A move to the trash ends with its rename.
    int rename(int fromFolderFd, const char *from, int toFolderFd, const char *to) override
    {
        const int err = FileOperations::rename(fromFolderFd, from, toFolderFd, to);
        lastRemoval = clock.nsecsElapsed();
        return err;
    }
    QElapsedTimer clock;
    qint64 lastRemoval = 0;
};

// Notes when one of some widgets has painted.
class PaintWatch : public QObject
{
public:
    explicit PaintWatch(std::initializer_list<QWidget *> widgets)
    {
        for (QWidget *widget : widgets)
            widget->installEventFilter(this);
    }
    bool eventFilter(QObject *, QEvent *event) override
    {
        painted = painted || event->type() == QEvent::Paint;
        return false;
    }
    bool painted = false;
};

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double msSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

double timeMs(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return msSince(timer);
}

void createFile(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0)
        qFatal("cannot create %s", path.constData());
    ::close(fd);
}

void createFiles(const QString &folder, const QStringList &names)
{
    QDir().mkpath(folder);
    const QByteArray base = QFile::encodeName(folder) + '/';
    for (const QString &name : names)
        createFile(base + QFile::encodeName(name));
}

// Lower-case version files of three types, ten versions a model.
QStringList uniformNames(int files)
{
    static const char *const types[] = {"prt", "asm", "drw"};
    QStringList names;
    for (int model = 0; names.size() < files; ++model) {
        for (int version = 1; version <= kVersions && names.size() < files; ++version)
            names.append(QStringLiteral("model_%1.%2.%3").arg(model).arg(QLatin1String(types[model % 3])).arg(version));
    }
    return names;
}

// What a real project folder holds: names in upper and lower case, many types, spaces and
// letters from other scripts, a different number of versions a model, and files that are not
// versions at all.
QStringList mixedNames(int files)
{
    static const char *const types[] = {"prt", "asm", "drw", "sec", "frm", "prt",
                                        "asm", "bom", "txt", "lay", "drw", "mfg"};
    static const QString stems[] = {QStringLiteral("bracket_%1"), QStringLiteral("Zahnräder_%1"),
                                    QStringLiteral("ÉTUDE %1"), QStringLiteral("齿轮_%1"),
                                    QStringLiteral("Housing Left %1")};
    QStringList names;
    for (int model = 0; names.size() < files; ++model) {
        QString base = stems[model % 5].arg(model) + QLatin1Char('.') + QLatin1String(types[model % 12]);
        if (model % 8 == 0)
            base = base.toUpper();
        const int versions = 1 + model * 7 % 12;
        for (int version = 1; version <= versions && names.size() < files; ++version)
            names.append(base + QLatin1Char('.') + QString::number(version));
        if (model % 6 == 0) {
            for (const QString &other : {base, base + QStringLiteral(".1.bak"),
                                         QStringLiteral("notes %1.log").arg(model)}) {
                if (names.size() < files)
                    names.append(other);
            }
        }
    }
    return names;
}

// The old versions of a uniform folder: all but the tenth of each model.
QStringList uniformOldNames(const QStringList &names)
{
    QStringList old;
    for (const QString &name : names) {
        if (!name.endsWith(QLatin1String(".10")))
            old.append(name);
    }
    return old;
}

// The kept version of each old version of a uniform folder: its model's tenth.
std::vector<QByteArray> uniformKeptFor(const std::vector<QByteArray> &oldNames)
{
    std::vector<QByteArray> kept;
    for (const QByteArray &old : oldNames)
        kept.push_back(old.left(old.lastIndexOf('.') + 1) + QByteArray::number(kVersions));
    return kept;
}

int rawReaddir(const QString &folder)
{
    DIR *dir = opendir(QFile::encodeName(folder).constData());
    int count = 0;
    while (const dirent *entry = readdir(dir))
        count += entry->d_name[0] != '.';
    closedir(dir);
    return count;
}

// The least work that knows each file's identity at listing: readdir and one statx a name.
int rawReaddirStatx(const QString &folder)
{
    DIR *dir = opendir(QFile::encodeName(folder).constData());
    int count = 0;
    struct statx info;
    while (const dirent *entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        count += ::statx(dirfd(dir), entry->d_name, AT_SYMLINK_NOFOLLOW,
                         STATX_TYPE | STATX_INO | STATX_BTIME, &info) == 0;
    }
    closedir(dir);
    return count;
}

// The least a purge that keeps the deletion rules does: for each old version, a status call of
// it and of its model's kept version, then unlinkat, through a descriptor of the folder.
void rawCheckedUnlinkat(const QString &folder, const std::vector<QByteArray> &names,
                        const std::vector<QByteArray> &kept)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct statx info;
    const unsigned wanted = STATX_TYPE | STATX_INO | STATX_NLINK | STATX_SIZE | STATX_MTIME |
                            STATX_CTIME | STATX_BTIME;
    for (size_t i = 0; i < names.size(); ++i) {
        if (::statx(fd, names[i].constData(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, wanted, &info) != 0 ||
            ::statx(fd, kept[i].constData(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, wanted, &info) != 0 ||
            ::unlinkat(fd, names[i].constData(), 0) != 0)
            qFatal("the checked deletion of %s failed", names[i].constData());
    }
    ::close(fd);
}

// Deletes the names through a descriptor of their folder, as the program does.
void rawUnlinkat(const QString &folder, const std::vector<QByteArray> &names)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (const QByteArray &name : names) {
        if (::unlinkat(fd, name.constData(), 0) != 0)
            qFatal("unlinkat %s failed", name.constData());
    }
    ::close(fd);
}

// The least a move to the trash does: for each old version, a status call of it, its record
// written beside the trash's files (made anew, never taken over) and the rename into them that
// never replaces.
void rawTrash(const QString &folder, const std::vector<QByteArray> &names, const QString &trash)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int files = ::open(QFile::encodeName(trash + QStringLiteral("/files")).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int info = ::open(QFile::encodeName(trash + QStringLiteral("/info")).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || files < 0 || info < 0)
        qFatal("the trash floor cannot open its folders");
    const QByteArray path = "[Trash Info]\nPath=" + QFile::encodeName(folder).toPercentEncoding("/") + '/';
    struct statx status;
    const unsigned wanted = STATX_TYPE | STATX_INO | STATX_NLINK | STATX_SIZE | STATX_MTIME |
                            STATX_CTIME | STATX_BTIME;
    for (const QByteArray &name : names) {
        const std::time_t now = std::time(nullptr);
        struct tm local;
        char date[32];
        std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", ::localtime_r(&now, &local));
        const QByteArray record = path + name.toPercentEncoding() + "\nDeletionDate=" + date + '\n';
        if (::statx(fd, name.constData(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, wanted, &status) != 0)
            qFatal("statx %s failed", name.constData());
        const int out = ::openat(info, (name + ".trashinfo").constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (out < 0 || ::write(out, record.constData(), size_t(record.size())) != record.size() ||
            ::close(out) != 0 || ::renameat2(fd, name.constData(), files, name.constData(), RENAME_NOREPLACE) != 0)
            qFatal("moving %s to the trash failed", name.constData());
    }
    ::close(fd);
    ::close(files);
    ::close(info);
}

std::vector<QByteArray> encoded(const QStringList &names)
{
    std::vector<QByteArray> bytes;
    bytes.reserve(size_t(names.size()));
    for (const QString &name : names)
        bytes.push_back(QFile::encodeName(name));
    return bytes;
}

// The bare minimum of the scan: the highest version of each model, nothing recorded.
int highestVersions(const QStringList &census)
{
    QHash<QStringView, double> highest;
    highest.reserve(census.size());
    for (const QString &name : census) {
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        const double version = QStringView(name).mid(dot + 1).toDouble();
        double &best = highest[QStringView(name).left(dot + 1)];
        best = std::max(best, version);
    }
    return int(highest.size());
}

void report(const char *what, double ms, const char *floor, double floorMs)
{
    std::printf("%s: %.1f ms / %s %.1f ms = %.2fx\n", what, ms, floor, floorMs, ms / floorMs);
    std::fflush(stdout);
}

// The program's main window with its engine, driven as a user would drive it.
struct Program
{
    explicit Program(const QTemporaryDir &temp)
        : settings(QStringLiteral("Pro"), temp.filePath(QStringLiteral("Pro.ini")))
    {
        engine.setViews(&window, &confirm);
        engine.setFileOperations(timed);
        window.Form_Load();
        window.show(); // so that layout, progress and repaints cost what they cost on screen
    }

    // A control of the main window, by its name.
    template <typename T>
    T *control(const char *name) const
    {
        T *found = window.findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("the main window has no control %s", name);
        return found;
    }

    // Processes events until the file list (or the purge list) has painted.
    void waitForPaint()
    {
        QElapsedTimer timer;
        timer.start();
        while (!listPainted.painted) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            if (timer.elapsed() > 60000)
                qFatal("the file list never painted");
        }
    }
    // Opens a folder as the folder list does, and waits until the window shows it.
    void open(const QString &folder)
    {
        listPainted.painted = false;
        control<DirList>("dirList")->setPath(folder);
        waitForPaint();
    }
    // Waits until the window shows what the last action left in the file list, or in the
    // purge list that covers it during a confirmed run.
    void show()
    {
        listPainted.painted = false;
        auto *purgeList = control<PurgeList>("DeleteFiles");
        QAbstractItemView *list = purgeList->isVisible() ? static_cast<QAbstractItemView *>(purgeList)
                                                         : control<FileList>("filList");
        list->viewport()->update();
        waitForPaint();
    }
    void expectCounted(int files, int versionFiles) const
    {
        if (control<QLabel>("Label1")->text() != QStringLiteral("Files = %1").arg(files) ||
            engine.proEngFileCount() != versionFiles)
            qFatal("the folder was not counted right: %s, %d version files",
                   qPrintable(control<QLabel>("Label1")->text()), engine.proEngFileCount());
    }

    SettingsStore settings;
    TimedOperations timed; // the system's own calls, noting when the last file went
    YesMessages messages;
    BusyPointer busy;
    ServiceFactory services;
    ProModule engine{messages, services};
    InProcessRegistry registry;
    ProgramStarter starter;
    Purge window{engine, settings, messages, busy, registry, starter};
    ConfirmDialogHost confirm{engine, &window};
    PaintWatch listPainted{control<FileList>("filList")->viewport(),
                           control<PurgeList>("DeleteFiles")->viewport()};
};

// Opening a folder until the window shows both counters and the list, the first time in the
// process and then as the median, beside readdir and one statx a file.
void benchCounters(Program &program, const QString &label, const QString &folder,
                   const QString &empty, int rounds, int files, int versionFiles)
{
    int listed = 0;
    const double floorFirst = timeMs([&] { listed = rawReaddirStatx(folder); });
    const double first = timeMs([&] { program.open(folder); });
    program.expectCounted(files, versionFiles);
    std::vector<double> times, floors;
    for (int round = 1; round < rounds; ++round) {
        program.open(empty);
        auto floor = [&] { floors.push_back(timeMs([&] { listed = rawReaddirStatx(folder); })); };
        auto open = [&] { times.push_back(timeMs([&] { program.open(folder); })); };
        round % 2 ? (floor(), open()) : (open(), floor());
    }
    if (listed != files)
        qFatal("readdir found %d files of %d", listed, files);
    std::printf("%s: first %.1f ms / readdir+statx %.1f ms = %.2fx; median %.1f ms / %.1f ms = %.2fx\n",
                qPrintable(label), first, floorFirst, first / floorFirst, median(times),
                median(floors), median(times) / median(floors));
    std::fflush(stdout);
}

// The old-version scan with both questions answered at once, beside finding the highest
// version of each model.
void benchScan(Program &program, const QString &label, int rounds)
{
    program.control<QCheckBox>("Ask")->setChecked(false);
    QStringList census;
    for (const QString &name : program.control<FileList>("filList")->names()) {
        if (isProEngVersionFile(name))
            census.append(name);
    }
    std::vector<double> times, floors;
    double first = 0;
    for (int round = 0; round < rounds; ++round) {
        const double ms = timeMs([&] { program.engine.FindOldVersions(); });
        round == 0 ? void(first = ms) : times.push_back(ms);
        floors.push_back(timeMs([&] { highestVersions(census); }));
    }
    std::printf("%s: first %.1f ms, median %.1f ms / grouping %.1f ms = %.2fx, %.2fx\n",
                qPrintable(label), first, median(times), median(floors), first / median(floors),
                median(times) / median(floors));
    std::fflush(stdout);
    program.engine.FinishPurge();
}

// One run of the program beside one run of each floor, each on a fresh folder of the same
// files; all folders are made before any is timed, and each goes first by turns.
void pairedRounds(const QTemporaryDir &temp, const QStringList &names, int rounds,
                  const std::function<void(const QString &)> &program,
                  const std::vector<std::function<void(const QString &)>> &floors,
                  std::vector<QString> *madeByRuns = nullptr)
{
    std::vector<std::function<void(const QString &)>> runs{program};
    runs.insert(runs.end(), floors.begin(), floors.end());
    for (int round = 0; round < rounds; ++round) {
        std::vector<QString> folders;
        for (size_t i = 0; i < runs.size(); ++i) {
            folders.push_back(temp.filePath(QStringLiteral("round%1-%2").arg(round).arg(i)));
            createFiles(folders.back(), names);
        }
        ::sync();
        for (size_t turn = 0; turn < runs.size(); ++turn) {
            const size_t i = (size_t(round) + turn) % runs.size();
            runs[i](folders[i]);
        }
        // What the runs made goes too: a round's trashes hold half a million files at 300,000,
        // and left in place they slow every section after this one.
        if (madeByRuns) {
            folders.insert(folders.end(), madeByRuns->begin(), madeByRuns->end());
            madeByRuns->clear();
        }
        for (const QString &folder : folders)
            QDir(folder).removeRecursively();
    }
}

// The confirmed purge, answered "Yes to All" at the first file: from the answer until the
// window shows the folder again, beside the safe floor of the same files.
void benchConfirmed(Program &program, const QTemporaryDir &temp, const QStringList &names, int rounds)
{
    const QStringList oldNames = uniformOldNames(names);
    const std::vector<QByteArray> oldBytes = encoded(oldNames);
    const std::vector<QByteArray> keptBytes = uniformKeptFor(oldBytes);
    const int files = int(names.size());
    std::vector<double> confirmedTimes, deletionTimes, confirmedFloor;
    program.control<QCheckBox>("Ask")->setChecked(true);
    pairedRounds(
        temp, names, rounds,
        [&](const QString &folder) {
            program.open(folder);
            program.engine.runPurge();
            if (!program.confirm.dialog() || !program.confirm.dialog()->isVisible())
                qFatal("the confirmed run did not start");
            program.show();
            program.timed.clock.start();
            confirmedTimes.push_back(timeMs([&] {
                program.engine.OnConfirmAnswer(ProModule::Answer::YesToAll);
                program.show();
            }));
            deletionTimes.push_back(double(program.timed.lastRemoval) / 1e6);
            if (rawReaddir(folder) != files - oldNames.size())
                qFatal("the confirmed purge left %d files", rawReaddir(folder));
        },
        {[&](const QString &folder) {
            confirmedFloor.push_back(timeMs([&] { rawCheckedUnlinkat(folder, oldBytes, keptBytes); }));
        }});
    // Until the window shows the folder again, then until the last deletion, as the purge line
    // gives it.
    std::printf("confirmed: %.1f ms / safe floor %.1f ms = %.2fx (until the last deletion %.1f ms = %.2fx)\n",
                median(confirmedTimes), median(confirmedFloor), median(confirmedTimes) / median(confirmedFloor),
                median(deletionTimes), median(deletionTimes) / median(confirmedFloor));
    std::fflush(stdout);
}

// The purge with "Move to trash instead of deleting" chosen, until the last file is in the
// trash, beside the trash floor; each run with a trash of its own (a private data folder).
void benchTrash(Program &program, const QTemporaryDir &temp, const QStringList &names, int rounds)
{
    const QStringList oldNames = uniformOldNames(names);
    const std::vector<QByteArray> oldBytes = encoded(oldNames);
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    QAction *trashing = program.window.findChild<QAction *>(QStringLiteral("trashOption"));
    if (!trashing->isChecked())
        trashing->trigger();
    program.control<QCheckBox>("Ask")->setChecked(false);
    int run = 0;
    std::vector<double> times, floors;
    std::vector<QString> trashes;
    pairedRounds(
        temp, names, rounds,
        [&](const QString &folder) {
            trashes.push_back(temp.filePath(QStringLiteral("data%1").arg(++run)));
            qputenv("XDG_DATA_HOME", QFile::encodeName(trashes.back()));
            program.open(folder);
            program.engine.FindOldVersions();
            program.timed.clock.start();
            program.engine.DeleteOldVersions();
            times.push_back(double(program.timed.lastRemoval) / 1e6);
            if (rawReaddir(folder) != names.size() - oldNames.size())
                qFatal("the trash run left %d files", rawReaddir(folder));
        },
        {[&](const QString &folder) {
            trashes.push_back(temp.filePath(QStringLiteral("floor%1").arg(++run)));
            const QString trash = trashes.back() + QStringLiteral("/Trash");
            QDir().mkpath(trash + QStringLiteral("/files"));
            QDir().mkpath(trash + QStringLiteral("/info"));
            floors.push_back(timeMs([&] { rawTrash(folder, oldBytes, trash); }));
        }},
        &trashes);
    dataHome.isNull() ? void(qunsetenv("XDG_DATA_HOME")) : void(qputenv("XDG_DATA_HOME", dataHome));
    trashing->trigger();
    report("purge --trash", median(times), "trash floor", median(floors));
}

// A started program: how long until it was on screen and closed again, and its peak memory.
struct Started
{
    double shownMs = 0;
    double closedMs = 0;
    long residentKb = 0; // at rest, when asked for
};


// The resident size of a process now, in kB. (Its peak would not do: a started program's
// peak counts the bench's own memory from before the program replaced it.)
long residentKb(pid_t pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

// The processor time a process has used so far, in clock ticks.
long cpuTicks(pid_t pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    // Fields after the command's closing parenthesis: utime and stime are the 12th and 13th.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.value(11).toLong() + fields.value(12).toLong();
}

long peakResidentKb()
{
    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The X server, watched for windows being shown. One connection for all starts: a server
// whose last client leaves resets itself, refusing connections meanwhile.
struct Display
{
    Display()
    {
        connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection))
            qFatal("no X display for the start-up measurement");
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
        protocols = atom("WM_PROTOCOLS");
        deleteWindow = atom("WM_DELETE_WINDOW");
        xcb_flush(connection);
    }
    ~Display() { xcb_disconnect(connection); }
    xcb_atom_t atom(const char *name)
    {
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return result;
    }

    xcb_connection_t *connection;
    xcb_atom_t protocols, deleteWindow;
};

// Starts a program with its output thrown away; gives its process id.
pid_t startQuietly(char *const argv[], char *const envp[])
{
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execve(argv[0], argv, envp);
        _exit(127);
    }
    return pid;
}

// Starts the real program with its settings in `config` and waits for its window to map. The
// close request sent then is handled once its load has set both counters and painted: the
// window holds the user's input, closing included, while it reads a folder.
Started startProgram(Display &display, const QByteArray &program, const QString &home,
                     const QString &config, bool atRest = false)
{
    xcb_connection_t *connection = display.connection;
    QByteArrayList environment = {"HOME=" + QFile::encodeName(home),
                                  "XDG_CONFIG_HOME=" + QFile::encodeName(config),
                                  "DISPLAY=" + qgetenv("DISPLAY"),
                                  "XAUTHORITY=" + qgetenv("XAUTHORITY"), "QT_QPA_PLATFORM=xcb",
                                  "PATH=/usr/bin:/bin",
                                  // no session bus: nothing is started to answer one
                                  "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent"};
    std::vector<char *> envp;
    for (QByteArray &entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    QByteArray path = program;
    char *argv[] = {path.data(), nullptr};

    Started started;
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = startQuietly(argv, envp.data());
    for (;;) {
        xcb_generic_event_t *event = xcb_poll_for_event(connection);
        if (!event) {
            if (waitpid(pid, nullptr, WNOHANG) == pid)
                qFatal("the program ended before its window showed");
            if (timer.elapsed() > 120000)
                qFatal("the program's window did not show in two minutes");
            pollfd wait = {xcb_get_file_descriptor(connection), POLLIN, 0};
            poll(&wait, 1, 100);
            continue;
        }
        const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY &&
                            !reinterpret_cast<xcb_map_notify_event_t *>(event)->override_redirect;
        const xcb_window_t window = reinterpret_cast<xcb_map_notify_event_t *>(event)->window;
        std::free(event);
        if (!mapped)
            continue;
        started.shownMs = msSince(timer);
        // The window comes up before a large folder is read: its size at rest is read once the
        // program has used no processor time for a second and a half (it gives back what a large
        // folder's reading freed after a second of rest).
        for (long before = -1, now = cpuTicks(pid); atRest && now != before; now = cpuTicks(pid)) {
            before = now;
            ::usleep(1500000);
        }
        if (atRest)
            started.residentKb = residentKb(pid);
        xcb_client_message_event_t close = {};
        close.response_type = XCB_CLIENT_MESSAGE;
        close.format = 32;
        close.window = window;
        close.type = display.protocols;
        close.data.data32[0] = display.deleteWindow;
        close.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(connection, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&close));
        xcb_flush(connection);
        break;
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        qFatal("the program did not start and close cleanly (status %d)", status);
    started.closedMs = msSince(timer);
    return started;
}

double lsMs(const QString &folder)
{
    QByteArray path = QFile::encodeName(folder);
    char ls[] = "/bin/ls", option[] = "-f";
    char *argv[] = {ls, option, path.data(), nullptr};
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = startQuietly(argv, environ);
    int status = 0;
    waitpid(pid, &status, 0);
    return msSince(timer);
}

// The real program started on a saved folder until both counters show, beside the same start
// on an empty folder and ls -f of the folder; and what the listed files cost it in memory.
void benchStartup(const QTemporaryDir &temp, const QString &folder, const QString &empty, int files)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::printf("startup: not measured, no X display\n");
        return;
    }
    const QString home = temp.filePath(QStringLiteral("startup-home"));
    auto configFor = [&](const QString &saved) {
        const QString config = temp.filePath(QStringLiteral("config-%1").arg(QFileInfo(saved).fileName()));
        QDir().mkpath(config);
        QFile ini(config + QStringLiteral("/Pro.ini"));
        if (!ini.open(QIODevice::WriteOnly))
            qFatal("cannot write the settings");
        ini.write("[Startup]\nDrive=/\nDir=" + QFile::encodeName(saved) + "\n");
        return config;
    };
    QDir().mkpath(home);
    const QString fullConfig = configFor(folder), emptyConfig = configFor(empty);
    const QByteArray program = QByteArrayLiteral(VINTREX_PROGRAM);
    Display display;
    std::vector<double> full, bare, ls, shown;
    long fullKb = 0, bareKb = 0;
    for (int round = 0; round < 3; ++round) {
        const Started withFiles = startProgram(display, program, home, fullConfig);
        const Started withNone = startProgram(display, program, home, emptyConfig);
        full.push_back(withFiles.closedMs);
        shown.push_back(withFiles.shownMs);
        bare.push_back(withNone.closedMs);
        if (round == 0) {
            fullKb = startProgram(display, program, home, fullConfig, true).residentKb;
            bareKb = startProgram(display, program, home, emptyConfig, true).residentKb;
        }
        ls.push_back(lsMs(folder));
    }
    const double over = median(full) - median(bare);
    std::printf("startup: %.1f ms (window mapped at %.1f ms), empty folder %.1f ms; the files' "
                "share %.1f ms / ls -f %.1f ms = %.2fx\n",
                median(full), median(shown), median(bare), over, median(ls), over / median(ls));
    std::printf("memory at rest: %.0f bytes a listed file (the started program resident with "
                "its window up: %ld kB with %d files, %ld kB on the empty folder)\n",
                double(fullKb - bareKb) * 1024 / files, fullKb, files, bareKb);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    setUpHeapsForReading(); // as the program's window has them
    QApplication app(argc, argv);
    int files = 30000;
    const QStringList arguments = QCoreApplication::arguments();
    const qsizetype sizeAt = arguments.indexOf(QStringLiteral("--size"));
    if (sizeAt > 0 && sizeAt + 1 < arguments.size())
        files = arguments[sizeAt + 1].toInt();
    if (files < 20 || (sizeAt > 0 && sizeAt + 1 >= arguments.size()))
        qFatal("usage: vintrex_bench [--size FILES] [--trees | --trash | --confirmed | --counters], at least 20 files");
    const int rounds = files <= 30000 ? 9 : 5;
    const int deletionRounds = files <= 30000 ? 5 : 3;

    QTemporaryDir temp;
    if (!temp.isValid())
        qFatal("no temporary folder");
    QTemporaryDir shapes(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                             ? QStringLiteral("/dev/shm/vintrex_bench-XXXXXX")
                             : temp.filePath(QStringLiteral("shapes-XXXXXX")));
    if (arguments.contains(QStringLiteral("--trees"))) { // the trees only
        benchTree(temp.path(), QStringLiteral(VINTREX_PROGRAM));
        benchTreeShapes(shapes.path(), QStringLiteral(VINTREX_PROGRAM));
        return 0;
    }
    if (arguments.contains(QStringLiteral("--confirmed"))) { // the confirmed purge only
        Program program(temp);
        benchConfirmed(program, temp, uniformNames(files), deletionRounds);
        return 0;
    }
    if (arguments.contains(QStringLiteral("--trash"))) { // the trash only
        Program program(temp);
        benchTrash(program, temp, uniformNames(files), deletionRounds);
        return 0;
    }
    const QString home = temp.filePath(QStringLiteral("home"));
    const QString uniform = temp.filePath(QStringLiteral("uniform"));
    const QString mixed = temp.filePath(QStringLiteral("mixed"));
    QDir().mkpath(home);
    qputenv("HOME", QFile::encodeName(home));
    const QStringList uniformList = uniformNames(files);
    const QStringList mixedList = mixedNames(files);
    createFiles(uniform, uniformList);
    createFiles(mixed, mixedList);
    const int mixedVersionFiles = int(std::count_if(mixedList.cbegin(), mixedList.cend(), [](const QString &name) { return isProEngVersionFile(name); }));
    std::printf("%d files a folder: uniform (lower case, 3 types, %d versions a model) and mixed "
                "(%d version files, other files, upper case, Unicode) in %s\n",
                files, kVersions, mixedVersionFiles, qPrintable(temp.path()));
    std::fflush(stdout);

    {
        Program program(temp);
        const long peakBefore = peakResidentKb();
        benchCounters(program, QStringLiteral("counters"), uniform, home, rounds, files, files);
        std::printf("memory at the peak: %.0f bytes a listed file (getrusage: the bench's peak "
                    "resident size grew %ld kB opening the folder)\n",
                    double(peakResidentKb() - peakBefore) * 1024 / files, peakResidentKb() - peakBefore);
        benchScan(program, QStringLiteral("scan"), rounds);
        benchCounters(program, QStringLiteral("counters mixed"), mixed, home, rounds, files, mixedVersionFiles);
        benchScan(program, QStringLiteral("scan mixed"), rounds);
        if (arguments.contains(QStringLiteral("--counters"))) // opening and scanning only
            return 0;

        // The purge without questions, and the whole of opening, scanning and purging, beside
        // readdir, statx and unlinkat of the same folder.
        const QStringList oldNames = uniformOldNames(uniformList);
        const std::vector<QByteArray> oldBytes = encoded(oldNames);
        const std::vector<QByteArray> keptBytes = uniformKeptFor(oldBytes);
        std::vector<double> purgeTimes, deletionTimes, unlinkTimes, totalTimes, floorTimes, safeTimes;
        program.control<QCheckBox>("Ask")->setChecked(false);
        pairedRounds(
            temp, uniformList, deletionRounds,
            [&](const QString &folder) {
                QElapsedTimer total;
                total.start();
                program.open(folder);
                program.engine.FindOldVersions();
                program.timed.clock.start();
                purgeTimes.push_back(timeMs([&] { program.engine.DeleteOldVersions(); }));
                deletionTimes.push_back(double(program.timed.lastRemoval) / 1e6);
                program.show();
                totalTimes.push_back(msSince(total));
                if (rawReaddir(folder) != files - oldNames.size())
                    qFatal("the purge left %d files", rawReaddir(folder));
            },
            {[&](const QString &folder) {
                 QElapsedTimer total;
                 total.start();
                 if (rawReaddirStatx(folder) != files)
                     qFatal("the floor's listing went wrong");
                 unlinkTimes.push_back(timeMs([&] { rawUnlinkat(folder, oldBytes); }));
                 floorTimes.push_back(msSince(total));
             },
             [&](const QString &folder) {
                 safeTimes.push_back(timeMs([&] { rawCheckedUnlinkat(folder, oldBytes, keptBytes); }));
             }});
        // The deletions beside the safe floor: what the deletion rules ask for, each old version
        // checked and its model's kept version looked at before it goes; then the whole purge
        // (with the folder read again and the report) and that floor beside a bare unlink.
        std::printf("purge: %.1f ms / safe floor %.1f ms = %.2fx (until the last deletion; with the "
                    "folder read again and reported %.1f ms; safe floor / unlink %.1f ms = %.2fx)\n",
                    median(deletionTimes), median(safeTimes), median(deletionTimes) / median(safeTimes),
                    median(purgeTimes), median(unlinkTimes), median(safeTimes) / median(unlinkTimes));
        report("total", median(totalTimes), "readdir+statx+unlink", median(floorTimes));

        // The Options menu's choices beside the plain purge on the same folder: keeping three
        // versions, and renumbering the kept ones after the purge (a rename a model).
        const auto choose = [&](const char *keep, bool renumber) {
            program.window.findChild<QAction *>(QLatin1String(keep))->trigger();
            QAction *renumbering = program.window.findChild<QAction *>(QStringLiteral("renumberOption"));
            if (renumbering->isChecked() != renumber)
                renumbering->trigger();
        };
        const auto timedPurge = [&](std::vector<double> &times, const char *keep, bool renumber, int left) {
            return [&times, &program, &choose, keep, renumber, left](const QString &folder) {
                choose(keep, renumber);
                program.open(folder);
                program.engine.FindOldVersions();
                times.push_back(timeMs([&] { program.engine.DeleteOldVersions(); }));
                if (rawReaddir(folder) != left)
                    qFatal("the purge with choices left %d files", rawReaddir(folder));
            };
        };
        std::vector<double> plainTimes, keepTimes, renumberTimes;
        const int models = files / kVersions;
        pairedRounds(temp, uniformList, deletionRounds, timedPurge(plainTimes, "keep1", false, models),
                     {timedPurge(keepTimes, "keep3", false, 3 * models), timedPurge(renumberTimes, "keep1", true, models)});
        choose("keep1", false);
        report("purge --keep 3", median(keepTimes), "purge", median(plainTimes));
        report("purge --renumber", median(renumberTimes), "purge", median(plainTimes));

        benchConfirmed(program, temp, uniformList, deletionRounds);
        benchTrash(program, temp, uniformList, deletionRounds);
    }
    benchStartup(temp, uniform, home, files);
    // The trees are timed without the large folders beside them.
    QDir(uniform).removeRecursively();
    QDir(mixed).removeRecursively();
    benchTree(temp.path(), QStringLiteral(VINTREX_PROGRAM));
    benchTreeShapes(shapes.path(), QStringLiteral(VINTREX_PROGRAM));
    return 0;
}
