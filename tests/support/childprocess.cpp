#include "support/childprocess.h"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

int waitForChild(pid_t child, const QDeadlineTimer& deadline) {
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (deadline.hasExpired()) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return -1;
        }
        ::usleep(2000);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
