#include "ProcessDeadline.h"

#include <algorithm>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace scrivane {

namespace {
// Written before the alarm is set and only read by the handler.
char g_message[512];
size_t g_length = 0;

void stopNow(int)
{
    // Only what is safe inside a signal handler.
    if (g_length > 0 && ::write(STDERR_FILENO, g_message, g_length) < 0) {
        // Nothing more can be done about it.
    }
    ::_exit(1);
}
} // namespace

void ProcessDeadline::start(std::chrono::seconds after, const QByteArray &message)
{
    g_length = std::min(size_t(message.size()), sizeof g_message);
    std::memcpy(g_message, message.constData(), g_length);
    struct sigaction action {};
    action.sa_handler = &stopNow;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGALRM, &action, nullptr);
    ::alarm(unsigned(std::max<std::chrono::seconds::rep>(1, after.count())));
}

void ProcessDeadline::cancel()
{
    ::alarm(0);
}

} // namespace scrivane
