#pragma once

#include <QByteArray>

#include <chrono>

namespace scrivane {

// A hard limit on the time of a command-line run, for the programs that
// read files from outside unasked: when it passes, the process writes its
// message to the standard error and ends at once with status 1, whatever
// it was doing (one long drawing call cannot be stopped any other way).
// A run writes its output only after cancel(), so that nothing half-made
// is ever left.  One deadline per process.
class ProcessDeadline {
public:
    static void start(std::chrono::seconds after, const QByteArray &message);
    static void cancel();
};

} // namespace scrivane
