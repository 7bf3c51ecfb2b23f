// Measures the program's folder handling against the raw system calls it is built on, on a
// generated folder of Pro Engineer version files. Prints one line per measurement.

#include "busypointer.h"
#include "dirlist.h"
#include "filelist.h"
#include "messageboxes.h"
#include "promodule.h"
#include "purge.h"
#include "settingsstore.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kModels = 3000;
constexpr int kVersions = 10;
constexpr int kRounds = 9;

// Benchmarks never ask anything: any question is an error in the benchmark itself.
class SilentMessages : public MessageBoxes
{
public:
    Answer show(const QString &text, const QString &, Icon, Buttons) override
    {
        std::fprintf(stderr, "unexpected message: %s\n", qPrintable(text));
        return Answer::No;
    }
};

double medianMs(const std::function<void()> &prepare, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int round = 0; round < kRounds; ++round) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
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
    SilentMessages messages;
    BusyPointer busy;
    ProModule engine(messages, busy);
    Purge window(engine, settings, messages, busy);
    window.Form_Load();

    int listed = 0;
    const double readdirMs = medianMs([] {}, [&] { listed = rawReaddir(folder); });
    const double countersMs = medianMs([&] { window.dirList->setPath(home); },
                                       [&] { window.dirList->setPath(folder); });
    if (listed != kModels * kVersions || engine.ProEngFileCount != listed ||
        window.Label1->text() != QStringLiteral("Files = %1").arg(listed))
        qFatal("the folder was not counted right: %d listed, %d counted", listed,
               engine.ProEngFileCount);
    report("counters", countersMs, "readdir", readdirMs);
    return 0;
}
