#pragma once

#include <QString>
#include <QtGlobal>

#include <chrono>
#include <functional>

namespace scrivane {

struct PropertyListLimits;

// What reading and drawing one file from outside may cost, for the
// programs that do it unasked (a file manager's thumbnailer, a desktop
// search's text extractor): the bytes read into memory, the values decoded,
// the pixels of decoded images, the path elements drawn and the rows they
// sweep, and the time taken.  Together they keep a run's memory and time
// bounded whatever the file holds.
//
// Each charge answers false once its bound is passed, and the first
// failure's message stays: the run stops there and writes nothing.
class WorkBudget {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    struct Limits {
        qint64 bytes = 256LL << 20;        // entries read, together
        quint64 values = 4u << 20;          // values an archive or YAML text unfolds into
        qint64 imagePixels = 64LL << 20;    // decoded images, together
        qint64 pathElements = 1 << 20;      // elements of the paths drawn
        qint64 rasterRows = 4LL << 20;      // rows the drawn segments sweep, summed
        std::chrono::milliseconds time{20000};
    };

    WorkBudget();
    explicit WorkBudget(const Limits &limits, Clock clock = {});

    const Limits &limits() const { return m_limits; }
    // The reader limits for archives and YAML text within this budget.
    PropertyListLimits propertyListLimits() const;

    bool chargeBytes(qint64 bytes);
    bool chargeImagePixels(qint64 pixels);
    bool chargePathElements(qint64 elements);
    // Charges the elements of all paths of a drawing read whole, `total`
    // of them: those charged while it was read count toward it.
    bool chargePathElementsInAll(qint64 total);
    bool chargeRasterRows(qint64 rows);
    // False once the time is up.
    bool checkTime();

    bool exhausted() const { return !m_failure.isEmpty(); }
    // Why the budget ran out; empty while it has not.
    const QString &failure() const { return m_failure; }

private:
    bool charge(qint64 &spent, qint64 amount, qint64 limit, const QString &what);

    Limits m_limits;
    Clock m_clock;
    std::chrono::steady_clock::time_point m_start;
    qint64 m_bytes = 0;
    qint64 m_imagePixels = 0;
    qint64 m_pathElements = 0;
    qint64 m_rasterRows = 0;
    QString m_failure;
};

} // namespace scrivane
