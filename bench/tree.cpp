#include "tree.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <spawn.h>
#include <string>
#include <sys/ptrace.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// Project folders of version files (models of 10 versions each), in groups of folders.
struct Shape
{
    int groups, foldersPerGroup, models;
};
// 100 folders of 300 version files, and 1,000 folders of 30.
constexpr Shape kShapes[] = {{10, 10, 30}, {10, 100, 3}};
constexpr int kVersions = 10;
// Rounds of the tree lines: a round's ratio moves by a fifth either way on a shared machine.
constexpr int kRounds = 12;

void generateTree(const QString &tree, const Shape &shape)
{
    for (int group = 0; group < shape.groups; ++group) {
        for (int project = 0; project < shape.foldersPerGroup; ++project) {
            const QString folder = QStringLiteral("%1/group%2/project%3").arg(tree).arg(group).arg(project);
            if (!QDir().mkpath(folder))
                qFatal("cannot create %s", qPrintable(folder));
            const QByteArray base = QFile::encodeName(folder) + "/part_";
            for (int model = 0; model < shape.models; ++model) {
                for (int version = 1; version <= kVersions; ++version) {
                    const QByteArray name = base + QByteArray::number(model) + ".prt." +
                                            QByteArray::number(version);
                    const int fd = ::open(name.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
                    if (fd < 0)
                        qFatal("cannot create %s", name.constData());
                    ::close(fd);
                }
            }
        }
    }
}

// A folder inside an open one, opened for a floor to walk; a floor cannot go on without it.
int openChild(int fd, const char *name)
{
    const int child = ::openat(fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    if (child < 0)
        qFatal("cannot open %s", name);
    return child;
}

// A status call, as the program makes it before it trusts a name.
void statusOf(int fd, const char *name)
{
    struct statx info;
    if (::statx(fd, name, AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &info) != 0)
        qFatal("statx %s failed", name);
}

// An old version deleted as the deletion rules allow: a status call of it and of its model's
// `highest` version just before the unlink.
void unlinkChecked(int fd, const std::string &name, int highest)
{
    const std::string kept = name.substr(0, name.rfind('.') + 1) + std::to_string(highest);
    statusOf(fd, name.c_str());
    statusOf(fd, kept.c_str());
    if (::unlinkat(fd, name.c_str(), 0) != 0)
        qFatal("unlink %s failed", name.c_str());
}

// find TREE -type f -name '*.[0-9]*' in C, unlinking what is below the highest version; gives
// the number of files left. `checked` adds the status calls the program's deletion rules ask
// for: one for each file when its folder is listed and, just before each deletion, one of the
// file and one of its model's highest version.
int findAndUnlink(int fd, bool checked, int highest = kVersions)
{
    DIR *dir = ::fdopendir(fd);
    std::vector<std::string> old;
    int left = 0;
    while (const dirent *entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        if (entry->d_type == DT_DIR) {
            left += findAndUnlink(openChild(fd, entry->d_name), checked, highest);
            continue;
        }
        if (checked)
            statusOf(fd, entry->d_name);
        const char *dot = std::strrchr(entry->d_name, '.');
        if (entry->d_type == DT_REG && dot && dot[1] >= '0' && dot[1] <= '9' &&
            std::atoi(dot + 1) < highest) {
            if (checked)
                old.emplace_back(entry->d_name);
            else if (::unlinkat(fd, entry->d_name, 0) != 0)
                qFatal("unlink %s failed", entry->d_name);
        } else {
            ++left;
        }
    }
    for (const std::string &name : old)
        unlinkChecked(fd, name, highest);
    ::closedir(dir);
    return left;
}

// The least a purge on several cores can do under the deletion rules: the walk lists each folder
// with a status call for every file; `threads` workers take the folders in turn and, before
// each unlink, make the status calls of the file and of its kept version. Gives the files left.
int safeFloorInParallel(int top, int threads)
{
    struct Folder
    {
        int fd;
        std::vector<std::string> names;
    };
    std::deque<Folder> folders; // a folder stays where it is while later ones are added
    size_t listed = 0, taken = 0;
    bool walked = false;
    std::mutex mutex;
    std::condition_variable ready;
    std::atomic<int> left{0};
    auto purge = [&](const Folder &folder) {
        for (const std::string &name : folder.names) {
            if (std::atoi(name.c_str() + name.rfind('.') + 1) >= kVersions)
                ++left;
            else
                unlinkChecked(folder.fd, name, kVersions);
        }
        ::close(folder.fd);
    };
    std::vector<std::thread> workers;
    for (int i = 0; i < threads; ++i) {
        workers.emplace_back([&] {
            for (;;) {
                std::unique_lock lock(mutex);
                ready.wait(lock, [&] { return taken < listed || walked; });
                if (taken == listed)
                    return;
                const Folder &folder = folders[taken++];
                lock.unlock();
                purge(folder);
            }
        });
    }
    // The walk: groups, then their project folders, each listed as it is reached.
    std::vector<int> pending{top};
    while (!pending.empty()) {
        const int fd = pending.back();
        pending.pop_back();
        DIR *dir = ::fdopendir(fd);
        Folder folder{::dup(fd), {}};
        while (const dirent *entry = ::readdir(dir)) {
            if (entry->d_name[0] == '.')
                continue;
            if (entry->d_type == DT_DIR) {
                pending.push_back(openChild(fd, entry->d_name));
                continue;
            }
            statusOf(fd, entry->d_name);
            folder.names.emplace_back(entry->d_name);
        }
        ::closedir(dir);
        if (folder.names.empty()) {
            ::close(folder.fd);
            continue;
        }
        {
            std::lock_guard lock(mutex);
            folders.push_back(std::move(folder));
            ++listed;
        }
        ready.notify_one();
    }
    {
        std::lock_guard lock(mutex);
        walked = true;
    }
    ready.notify_all();
    for (std::thread &worker : workers)
        worker.join();
    return left;
}

// The kernel frees what a run deleted (and what making the trees left) for a while after it: that
// work is let finish before a run is timed, so that it is not counted against the next one.
void settle()
{
    ::usleep(100000);
}

int filesIn(const QString &tree)
{
    int count = 0;
    for (const QString &group : QDir(tree).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        for (const QString &project :
             QDir(tree + QLatin1Char('/') + group).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            count += int(QDir(tree + QLatin1Char('/') + group + QLatin1Char('/') + project)
                             .entryList(QDir::Files)
                             .size());
    }
    return count;
}

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

struct Run
{
    double ms;
    long peakKb;
};

// The peak resident size of the program `child`, read while it is stopped on its way out; -1
// where it cannot be read. Its own peak: the usage that wait4 gives counts the bench's, which
// the kernel carries into the child at exec.
long peakAtExit(pid_t child, int &status)
{
    long peakKb = -1;
    const bool traced = ::ptrace(PTRACE_SEIZE, child, nullptr, PTRACE_O_TRACEEXIT) == 0;
    while (::waitpid(child, &status, 0) == child && WIFSTOPPED(status)) {
        int signal = WSTOPSIG(status);
        if (status >> 8 == (SIGTRAP | (PTRACE_EVENT_EXIT << 8))) {
            signal = 0;
            QFile file(QStringLiteral("/proc/%1/status").arg(child));
            if (file.open(QIODevice::ReadOnly)) {
                for (const QByteArray &line : file.readAll().split('\n')) {
                    if (line.startsWith("VmHWM:"))
                        peakKb = line.mid(6).trimmed().split(' ').value(0).toLong();
                }
            }
        }
        ::ptrace(PTRACE_CONT, child, nullptr, reinterpret_cast<void *>(intptr_t(signal)));
    }
    return traced ? peakKb : -1;
}

// The program run with its reports thrown away (what it writes to standard error kept in
// `errors`): its time and, if `peak` is asked for, its peak resident size. Started by
// posix_spawn, which does not copy the bench's own memory as fork would: the time is the
// program's, as a shell starts it.
Run runQuietly(const QString &program, const QStringList &arguments, const QString &errors,
               bool peak = false)
{
    std::vector<QByteArray> bytes{QFile::encodeName(program)};
    for (const QString &argument : arguments)
        bytes.push_back(QFile::encodeName(argument));
    std::vector<char *> argv;
    for (QByteArray &argument : bytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const QByteArray errorPath = QFile::encodeName(errors);
    posix_spawn_file_actions_addopen(&actions, 2, errorPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QElapsedTimer timer;
    timer.start();
    pid_t child = -1;
    const int spawned = ::posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    long peakKb = -1;
    if (spawned == 0 && peak)
        peakKb = peakAtExit(child, status);
    else if (spawned == 0 && ::waitpid(child, &status, 0) != child)
        status = -1;
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    if (spawned != 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        QFile error(errors);
        error.open(QIODevice::ReadOnly);
        qFatal("%s %s failed: %s", argv[0], qPrintable(arguments.join(QLatin1Char(' '))),
               error.readAll().constData());
    }
    return {ms, peakKb};
}

} // namespace

void benchTree(const QString &temp, const QString &program)
{
    for (const Shape &shape : kShapes) {
        const int kept = shape.groups * shape.foldersPerGroup * shape.models;
        // The program with its default jobs and with one, the plain walk, the walk with checks,
        // and the checks made on as many threads as the program's default jobs.
        constexpr int contenders = 5;
        const int threads = int(std::max(1u, std::thread::hardware_concurrency()));
        std::vector<double> times[contenders];
        for (int round = 0; round < kRounds; ++round) {
            // The trees are made before any is timed, and each goes first in turn.
            QString trees[contenders];
            for (int which = 0; which < contenders; ++which) {
                trees[which] = temp + QStringLiteral("/tree%1-%2").arg(round).arg(which);
                generateTree(trees[which], shape);
            }
            ::sync();
            auto runProgram = [&](const QString &tree, QStringList arguments) {
                const double ms = runQuietly(program, arguments << tree, temp + QStringLiteral("/errors")).ms;
                if (filesIn(tree) != kept)
                    qFatal("the purge of the tree left %d files", filesIn(tree));
                return ms;
            };
            // One of the floors in C, given the tree's descriptor and giving the files it left.
            auto runFloor = [&](const QString &tree, const std::function<int(int)> &floor) {
                QElapsedTimer timer;
                timer.start();
                const int left = floor(::open(QFile::encodeName(tree).constData(), O_RDONLY | O_DIRECTORY));
                if (left != kept)
                    qFatal("the floor left %d files", left);
                return double(timer.nsecsElapsed()) / 1e6;
            };
            const QStringList purge = {QStringLiteral("--purge"), QStringLiteral("--recursive")};
            for (int turn = 0; turn < contenders; ++turn) {
                const int which = (round + turn) % contenders;
                settle();
                times[which].push_back(which == 0   ? runProgram(trees[0], purge)
                                       : which == 1 ? runProgram(trees[1], purge + QStringList{QStringLiteral("-j"), QStringLiteral("1")})
                                       : which == 4 ? runFloor(trees[4], [&](int fd) { return safeFloorInParallel(fd, threads); })
                                                    : runFloor(trees[which], [&](int fd) { return findAndUnlink(fd, which == 3); }));
                QDir(trees[which]).removeRecursively();
            }
        }
        const double floor = median(times[2]);
        // A round's contenders run back to back: its own ratio shows how far the machine moved
        // the one above from round to round.
        std::vector<double> ratios;
        for (int round = 0; round < kRounds; ++round)
            ratios.push_back(times[0][size_t(round)] / times[2][size_t(round)]);
        const auto [lowest, highest] = std::minmax_element(ratios.cbegin(), ratios.cend());
        std::printf("tree: vintrex --purge --recursive %.1f ms / find+unlink %.1f ms = %.2fx; -j 1 "
                    "%.1f ms = %.2fx (%d folders of %d version files; rounds %.2f-%.2fx, median %.2fx)\n",
                    median(times[0]), floor, median(times[0]) / floor, median(times[1]),
                    median(times[1]) / floor, shape.groups * shape.foldersPerGroup,
                    shape.models * kVersions, *lowest, *highest, median(ratios));
        // How much of that the deletion rules' own status calls make, done by the plain walk too.
        std::printf("tree: find+statx+unlink %.1f ms / find+unlink %.1f ms = %.2fx\n",
                    median(times[3]), floor, median(times[3]) / floor);
        // The program beside the same calls on as many threads: the floor the rules allow.
        std::printf("tree: vintrex --purge --recursive %.1f ms / safe floor on %d threads %.1f ms = "
                    "%.2fx (that floor / find+unlink = %.2fx)\n",
                    median(times[0]), threads, median(times[4]), median(times[0]) / median(times[4]),
                    median(times[4]) / floor);
        std::fflush(stdout);
    }
}

namespace {

// The program run on `tree` as the tree lines run it.
Run purgeTree(const QString &program, const QString &tree, bool peak = false)
{
    return runQuietly(program, {QStringLiteral("--purge"), QStringLiteral("--recursive"), tree},
                      tree + QStringLiteral(".errors"), peak);
}

int openFolder(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        qFatal("cannot open %s", qPrintable(path));
    return fd;
}

void touchAt(int folder, const char *name)
{
    const int fd = ::openat(folder, name, O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0)
        qFatal("cannot create %s", name);
    ::close(fd);
}

// Goes down a chain of folders "d", counting the levels whose "a.prt.1" is gone and "a.prt.2"
// stays; with `cut`, the chain is cut into pieces of 500 levels put beside it, which paths reach.
int purgedLevels(int top, int levels, bool cut)
{
    int purged = 0;
    int fd = ::dup(top);
    for (int level = 0; level < levels; ++level) {
        purged += ::faccessat(fd, "a.prt.1", F_OK, AT_SYMLINK_NOFOLLOW) != 0 &&
                  ::faccessat(fd, "a.prt.2", F_OK, AT_SYMLINK_NOFOLLOW) == 0;
        int next;
        if (cut && level % 500 == 499) {
            const QByteArray piece = "piece" + QByteArray::number(level);
            ::renameat(fd, "d", top, piece.constData());
            next = ::openat(top, piece.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        } else {
            next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        }
        ::close(fd);
        fd = next;
    }
    ::close(fd);
    return purged;
}

int filesBelow(int fd)
{
    DIR *dir = ::fdopendir(fd);
    int count = 0;
    while (const dirent *entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        if (entry->d_type == DT_DIR)
            count += filesBelow(::openat(fd, entry->d_name, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        else
            ++count;
    }
    ::closedir(dir);
    return count;
}

void benchDeep(const QString &place, const QString &program)
{
    constexpr int levels = 20000;
    const QString tree = place + QStringLiteral("/deep");
    QDir().mkpath(tree);
    const int top = openFolder(tree);
    int fd = ::dup(top);
    for (int level = 0; level < levels; ++level) {
        touchAt(fd, "a.prt.1");
        touchAt(fd, "a.prt.2");
        if (::mkdirat(fd, "d", 0755) != 0)
            qFatal("cannot make level %d", level);
        const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = next;
    }
    ::close(fd);
    const Run run = purgeTree(program, tree, true);
    const int purged = purgedLevels(top, levels, false);
    const QByteArray peak = run.peakKb < 0 ? QByteArray("unknown (cannot trace the program)")
                                           : QByteArray::number(double(run.peakKb) / 1024, 'f', 1) + " MB";
    std::printf("tree deep: vintrex --purge --recursive %.1f ms, peak %s, %d of %d levels purged "
                "(one pair of versions a level)\n",
                run.ms, peak.constData(), purged, levels);
    std::fflush(stdout);
    purgedLevels(top, levels, true);
    ::close(top);
    QDir(tree).removeRecursively();
}

void makeWideTree(const QString &tree, int groups, int foldersPerGroup)
{
    const int top = (QDir().mkpath(tree), openFolder(tree));
    for (int group = 0; group < groups; ++group) {
        const QByteArray groupName = "group" + QByteArray::number(group);
        ::mkdirat(top, groupName.constData(), 0755);
        const int g = ::openat(top, groupName.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (int project = 0; project < foldersPerGroup; ++project) {
            const QByteArray name = "project" + QByteArray::number(project);
            if (::mkdirat(g, name.constData(), 0755) != 0)
                qFatal("cannot make %s", name.constData());
            if (project % 10 != 0)
                continue;
            const int p = ::openat(g, name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            for (int model = 0; model < 2; ++model) {
                for (int version = 1; version <= 5; ++version)
                    touchAt(p, ("m" + QByteArray::number(model) + ".prt." + QByteArray::number(version)).constData());
            }
            ::close(p);
        }
        ::close(g);
    }
    ::close(top);
}

void benchWide(const QString &place, const QString &program)
{
    constexpr int groups = 100, foldersPerGroup = 500, kept = groups * foldersPerGroup / 10 * 2;
    std::vector<double> programTimes, floorTimes;
    for (int round = 0; round < 3; ++round) {
        const QString trees[2] = {place + QStringLiteral("/wide%1-program").arg(round),
                                  place + QStringLiteral("/wide%1-floor").arg(round)};
        makeWideTree(trees[0], groups, foldersPerGroup);
        makeWideTree(trees[1], groups, foldersPerGroup);
        for (int turn = 0; turn < 2; ++turn) {
            settle();
            if ((round + turn) % 2 == 0) {
                programTimes.push_back(purgeTree(program, trees[0]).ms);
                if (filesBelow(openFolder(trees[0])) != kept)
                    qFatal("the purge of the wide tree left other files");
            } else {
                QElapsedTimer timer;
                timer.start();
                if (findAndUnlink(openFolder(trees[1]), true, 5) != kept)
                    qFatal("the floor left other files");
                floorTimes.push_back(double(timer.nsecsElapsed()) / 1e6);
            }
        }
        QDir(trees[0]).removeRecursively();
        QDir(trees[1]).removeRecursively();
    }
    std::printf("tree wide: vintrex --purge --recursive %.1f ms / find+statx+unlink %.1f ms = %.2fx "
                "(%d folders, one in ten with 10 version files)\n",
                median(programTimes), median(floorTimes), median(programTimes) / median(floorTimes),
                groups * foldersPerGroup);
    std::fflush(stdout);
}

} // namespace

void benchTreeShapes(const QString &place, const QString &program)
{
    benchDeep(place, program);
    benchWide(place, program);
}
