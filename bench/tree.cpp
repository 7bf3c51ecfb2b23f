#include "tree.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// 100 project folders of 300 version files (30 models of 10 versions), ten to a group.
constexpr int kGroups = 10, kFoldersPerGroup = 10, kModels = 30, kVersions = 10;
constexpr int kRounds = 6;

void generateTree(const QString &tree)
{
    for (int group = 0; group < kGroups; ++group) {
        for (int project = 0; project < kFoldersPerGroup; ++project) {
            const QString folder = QStringLiteral("%1/group%2/project%3").arg(tree).arg(group).arg(project);
            if (!QDir().mkpath(folder))
                qFatal("cannot create %s", qPrintable(folder));
            const QByteArray base = QFile::encodeName(folder) + "/part_";
            for (int model = 0; model < kModels; ++model) {
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

// find TREE -type f -name '*.[0-9]*' in C, unlinking what is below the highest version; gives
// the number of files left. `checked` adds the status calls the program's deletion rules ask
// for: one for each file when its folder is listed, one for each kept version and one just
// before each deletion.
int findAndUnlink(int fd, bool checked)
{
    DIR *dir = ::fdopendir(fd);
    std::vector<std::string> old;
    int left = 0;
    auto status = [&](const char *name) {
        struct statx info;
        if (checked && ::statx(fd, name, AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME,
                               &info) != 0)
            qFatal("statx %s failed", name);
    };
    while (const dirent *entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        if (entry->d_type == DT_DIR) {
            const int child = ::openat(fd, entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
            left += findAndUnlink(child, checked);
            continue;
        }
        status(entry->d_name);
        const char *dot = std::strrchr(entry->d_name, '.');
        if (entry->d_type == DT_REG && dot && dot[1] >= '0' && dot[1] <= '9' &&
            std::atoi(dot + 1) < kVersions) {
            if (checked)
                old.emplace_back(entry->d_name);
            else if (::unlinkat(fd, entry->d_name, 0) != 0)
                qFatal("unlink %s failed", entry->d_name);
        } else {
            status(entry->d_name);
            ++left;
        }
    }
    for (const std::string &name : old) {
        status(name.c_str());
        if (::unlinkat(fd, name.c_str(), 0) != 0)
            qFatal("unlink %s failed", name.c_str());
    }
    ::closedir(dir);
    return left;
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

} // namespace

void benchTree(const QString &temp, const QString &program)
{
    const int kept = kGroups * kFoldersPerGroup * kModels;
    std::vector<double> programTimes, floorTimes, checkedTimes;
    for (int round = 0; round < kRounds; ++round) {
        // The trees are made before any is timed, and each goes first in turn.
        QString trees[3];
        for (int which = 0; which < 3; ++which) {
            trees[which] = temp + QStringLiteral("/tree%1-%2").arg(round).arg(which);
            generateTree(trees[which]);
        }
        ::sync();
        auto runProgram = [&](const QString &tree) {
            QProcess process;
            process.setStandardOutputFile(QProcess::nullDevice());
            QElapsedTimer timer;
            timer.start();
            process.start(program, {QStringLiteral("--purge"), QStringLiteral("--recursive"), tree});
            if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
                process.exitCode() != 0)
                qFatal("%s failed: %s", qPrintable(program),
                       process.readAllStandardError().constData());
            programTimes.push_back(double(timer.nsecsElapsed()) / 1e6);
            if (filesIn(tree) != kept)
                qFatal("the purge of the tree left %d files", filesIn(tree));
        };
        auto runFloor = [&](const QString &tree, bool checked) {
            QElapsedTimer timer;
            timer.start();
            const int left = findAndUnlink(
                ::open(QFile::encodeName(tree).constData(), O_RDONLY | O_DIRECTORY), checked);
            (checked ? checkedTimes : floorTimes).push_back(double(timer.nsecsElapsed()) / 1e6);
            if (left != kept)
                qFatal("the floor left %d files", left);
        };
        for (int turn = 0; turn < 3; ++turn) {
            const int which = (round + turn) % 3;
            if (which == 0)
                runProgram(trees[0]);
            else
                runFloor(trees[which], which == 2);
        }
    }
    std::printf("tree: vintrex --purge --recursive %.1f ms / find+unlink %.1f ms = %.2fx "
                "(%d folders of %d version files)\n",
                median(programTimes), median(floorTimes),
                median(programTimes) / median(floorTimes), kGroups * kFoldersPerGroup,
                kModels * kVersions);
    // How much of that the deletion rules' own status calls make, done by the plain walk too.
    std::printf("tree: find+statx+unlink %.1f ms / find+unlink %.1f ms = %.2fx\n",
                median(checkedTimes), median(floorTimes), median(checkedTimes) / median(floorTimes));
    std::fflush(stdout);
}
