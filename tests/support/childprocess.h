#pragma once

#include <QDeadlineTimer>
#include <sys/types.h>

// Waits for a forked child until the deadline, then kills it: its exit code, or -1 when it was
// killed or ended by a signal. Every test that forks copies of the program waits this way.
int waitForChild(pid_t child, const QDeadlineTimer& deadline);
