#include "platform/termination_signals.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace quelm {

namespace {

int g_pipe[2] = {-1, -1};
volatile sig_atomic_t g_received = 0;
struct sigaction g_oldTerm {};
struct sigaction g_oldInt {};

void OnSignal(int sig) {
    if (g_received) {
        // A second signal while the close sequence runs ends the process the default way.
        ::signal(sig, SIG_DFL);
        ::raise(sig);
        return;
    }
    g_received = 1;
    const int saved = errno;
    const unsigned char b = static_cast<unsigned char>(sig);
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &b, 1);
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent)
    : QObject(parent) {
    if (g_pipe[0] >= 0)
        throw std::logic_error("only one TerminationSignals may exist");
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("cannot create the signal pipe");
    g_received = 0;
    notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { ReadPipe(); });

    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, &g_oldTerm);
    sigaction(SIGINT, &sa, &g_oldInt);
}

TerminationSignals::~TerminationSignals() {
    sigaction(SIGTERM, &g_oldTerm, nullptr);
    sigaction(SIGINT, &g_oldInt, nullptr);
    delete notifier_;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void TerminationSignals::ReadPipe() {
    unsigned char b = 0;
    while (::read(g_pipe[0], &b, 1) == 1) {
        if (OnTerminate)
            OnTerminate(b);
    }
}

} // namespace quelm
