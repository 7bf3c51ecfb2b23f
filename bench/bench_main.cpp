// Measures the program's folder handling against the raw system calls it is built on, on a
// generated folder of Pro Engineer version files. Prints one line per measurement.

#include "busypointer.h"
#include "confirmdialoghost.h"
#include "dirlist.h"
#include "fileinformation.h"
#include "filelist.h"
#include "messageboxes.h"
#include "programstarter.h"
#include "promodule.h"
#include "registry.h"
#include "purge.h"
#include "settingsstore.h"
#include "tree.h"

#include <QApplication>
#include <QDir>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QHash>
#include <QRegularExpression>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <functional>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kModels = 3000;
constexpr int kVersions = 10;
constexpr int kRounds = 9;

// Answers every question with Yes, as a user who wants the purge.
class YesMessages : public MessageBoxes
{
public:
    Answer show(const QString &, const QString &, Icon, Buttons buttons, const QString &) override
    {
        return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    }
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

double medianMs(const std::function<void()> &prepare, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int round = 0; round < kRounds; ++round) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(msSince(timer));
    }
    return median(times);
}

void generateVersionFiles(const QString &folder)
{
    const QByteArray base = QFile::encodeName(folder) + '/';
    for (int model = 0; model < kModels; ++model) {
        static const char *const types[] = {"prt", "asm", "drw"};
        for (int version = 1; version <= kVersions; ++version) {
            const QByteArray name = base + "model_" + QByteArray::number(model) + '.' +
                                    types[model % 3] + '.' + QByteArray::number(version);
            const int fd = ::open(name.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
            if (fd < 0)
                qFatal("cannot create %s", name.constData());
            ::close(fd);
        }
    }
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

void report(const char *what, double ms, const char *baseline, double baselineMs)
{
    std::printf("%s: %.1f ms / %s %.1f ms = %.2fx\n", what, ms, baseline, baselineMs,
                ms / baselineMs);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir temp;
    if (!temp.isValid())
        qFatal("no temporary folder");
    const QString home = temp.filePath(QStringLiteral("home"));
    const QString folder = temp.filePath(QStringLiteral("versions"));
    QDir().mkpath(home);
    QDir().mkpath(folder);
    qputenv("HOME", QFile::encodeName(home));
    generateVersionFiles(folder);
    std::printf("folder of %d version files (%d models x %d versions) in %s\n",
                kModels * kVersions, kModels, kVersions, qPrintable(temp.path()));

    SettingsStore settings(QStringLiteral("Pro"), temp.filePath(QStringLiteral("Pro.ini")));
    YesMessages messages;
    BusyPointer busy;
    ServiceFactory services;
    ProModule engine(messages, services);
    InProcessRegistry registry;
    ProgramStarter starter;
    Purge window(engine, settings, messages, busy, registry, starter);
    ConfirmDialogHost confirm(engine, &window);
    engine.setViews(&window, &confirm);
    window.Form_Load();
    window.show(); // so that progress and repaints cost what they cost on screen

    int listed = 0;
    const double readdirMs = medianMs([] {}, [&] { listed = rawReaddirStatx(folder); });
    const double countersMs = medianMs([&] { window.dirList->setPath(home); },
                                       [&] { window.dirList->setPath(folder); });
    if (listed != kModels * kVersions || engine.proEngFileCount() != listed ||
        window.Label1->text() != QStringLiteral("Files = %1").arg(listed))
        qFatal("the folder was not counted right: %d listed, %d counted", listed,
               engine.proEngFileCount());
    report("counters", countersMs, "readdir+statx", readdirMs);

    // The scan, with both questions answered at once.
    window.Ask->setChecked(false);
    const QStringList census = window.filList->names();
    int models = 0;
    const double groupingMs = medianMs([] {}, [&] { models = highestVersions(census); });
    const double scanMs = medianMs([] {}, [&] { engine.FindOldVersions(); });
    if (models != kModels || engine.oldVersionCount() != kModels * (kVersions - 1))
        qFatal("the scan found %d old versions of %d models", engine.oldVersionCount(), models);
    report("scan", scanMs, "grouping", groupingMs);

    // The purge, each round on a fresh folder, beside unlink() of the same names; and the whole
    // of opening, scanning and purging beside readdir, statx and unlink of the same folder.
    const QStringList oldNames = engine.purgeFiles().mid(1).replaceInStrings(
        QRegularExpression(QStringLiteral("^.*/")), QString());
    engine.FinishPurge();
    std::vector<double> purgeTimes, unlinkTimes, totalTimes, floorTimes;
    for (int round = 0; round < kRounds; ++round) {
        // Both folders are made before either is timed, and the two go first by turns, so
        // that neither inherits the other's pending disk work.
        const QString purged = temp.filePath(QStringLiteral("purged%1").arg(round));
        const QString unlinked = temp.filePath(QStringLiteral("unlinked%1").arg(round));
        QDir().mkpath(purged);
        QDir().mkpath(unlinked);
        generateVersionFiles(purged);
        generateVersionFiles(unlinked);
        std::vector<QByteArray> paths;
        for (const QString &name : oldNames)
            paths.push_back(QFile::encodeName(unlinked + QLatin1Char('/') + name));
        ::sync();
        auto program = [&] {
            QElapsedTimer total;
            total.start();
            window.dirList->setPath(purged);
            engine.FindOldVersions();
            QElapsedTimer timer;
            timer.start();
            engine.DeleteOldVersions();
            purgeTimes.push_back(msSince(timer));
            totalTimes.push_back(msSince(total));
            if (rawReaddir(purged) != kModels)
                qFatal("the purge left %d files", rawReaddir(purged));
        };
        auto floor = [&] {
            QElapsedTimer total;
            total.start();
            if (rawReaddirStatx(unlinked) != kModels * kVersions)
                qFatal("the floor's listing went wrong");
            QElapsedTimer timer;
            timer.start();
            for (const QByteArray &path : paths) {
                if (unlink(path.constData()) != 0)
                    qFatal("unlink %s failed", path.constData());
            }
            unlinkTimes.push_back(msSince(timer));
            floorTimes.push_back(msSince(total));
        };
        if (round % 2 == 0) {
            program();
            floor();
        } else {
            floor();
            program();
        }
    }
    report("purge", median(purgeTimes), "unlink", median(unlinkTimes));
    std::printf("total: %.1f ms / %.1f ms = %.2fx\n", median(totalTimes), median(floorTimes),
                median(totalTimes) / median(floorTimes));
    benchTree(temp.path(), QStringLiteral(VINTREX_PROGRAM));
    return 0;
}
