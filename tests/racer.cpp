// Another program at work inside vintrex, loaded with LD_PRELOAD: right after vintrex deletes the
// entry named $RACER_AFTER, it renames $RACER_FROM to $RACER_TO (paths from the working folder).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>

extern "C" int unlinkat(int folder, const char *name, int flags)
{
    using Unlinkat = int (*)(int, const char *, int);
    static const auto real = reinterpret_cast<Unlinkat>(dlsym(RTLD_NEXT, "unlinkat"));
    const int result = real(folder, name, flags);
    const char *after = std::getenv("RACER_AFTER");
    if (result == 0 && after && std::strcmp(name, after) == 0 &&
        std::rename(std::getenv("RACER_FROM"), std::getenv("RACER_TO")) != 0)
        std::perror("racer");
    return result;
}
