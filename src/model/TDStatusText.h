#pragma once

#include <QString>

#include <variant>
#include <vector>

namespace scrivane {

class TDDocumentInterface;

// The status line texts that graphics show while a handle is dragged: a
// format from the table "StatusbarStrings" filled with numbers and texts.
// In a format, "%@" takes the next text, "%f", "%0.2f" (any precision),
// "%g" and "%d" the next number, "%%" is a percent sign; numbers never follow
// the user's locale.  A format that asks for more values than given gets
// empty texts and zeros.
class TDStatusText {
public:
    using Argument = std::variant<double, QString>;

    static QString format(const QString &format, const std::vector<Argument> &arguments);
    // Looks the key up in "StatusbarStrings", fills it and hands it to the
    // document (nothing without one).
    static void show(TDDocumentInterface *document, const QString &key,
                     const std::vector<Argument> &arguments);
    // A length in points as the user reads it: in the unit chosen in the
    // preferences when the application offers its units transformer,
    // otherwise in points; written as "%g" writes it.
    static QString length(double points);
    // A text put into a hint (a graphic's name) as it stands: its
    // characters are never read as key codes ("*S") or tags ("<b>").
    static QString escaped(const QString &text);
};

} // namespace scrivane
