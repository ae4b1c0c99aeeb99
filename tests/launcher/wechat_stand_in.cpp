// Stand-in for the chat client: notes that it started, then stays alive for a
// while so the tests can see it running. It gets no arguments, so the record
// file is named by the environment.
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

int main()
{
    const char *recordPath = getenv("VARNO_LAUNCH_RECORD");
    if (recordPath && *recordPath) {
        timespec now = {};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const long long milliseconds = static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
        char line[64];
        const int length
            = snprintf(line, sizeof line, "%ld %lld\n", static_cast<long>(getpid()), milliseconds);
        // One append per line, so lines of concurrent instances never mix.
        const int fd = open(recordPath, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd >= 0) {
            if (write(fd, line, static_cast<size_t>(length)) != length)
                return 2;
            close(fd);
        }
    }
    timespec remaining = {30, 0};
    while (nanosleep(&remaining, &remaining) != 0) { }
    return 0;
}
