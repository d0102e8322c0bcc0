#pragma once

#include <QString>

class QPrinter;
class QWidget;

namespace scrivane {

class TDDocument;
class TDPrintInfo;

// Printing a document through Qt's print support: the printer's page
// set up from the document's print info, the print dialog, and the
// document's page grid drawn with cairo, straight into the PDF file when
// the printer writes one and as page images at the printer's resolution
// otherwise.
class TDPrintOperation {
public:
    // The printer's paper, margins and orientation from the print info,
    // and back.
    static void applyPrintInfo(const TDPrintInfo &info, QPrinter &printer);
    static TDPrintInfo printInfoFromPrinter(const QPrinter &printer, const TDPrintInfo &base);

    // Prints the document's visible graphics over its paper, on white, as
    // the printer is set up now.  False, with the reason, when nothing
    // could be printed.
    static bool print(TDDocument &document, QPrinter &printer, QString *error = nullptr);
    // The Print command: the print dialog (when asked) for the document's
    // page setup, then the print.  False when cancelled or failed.
    static bool printShowingPrintPanel(TDDocument &document, bool showPanels, QWidget *parent);
    // The Page Setup command: the document takes the chosen paper and
    // margins.  False when cancelled.
    static bool runPageLayout(TDDocument &document, QWidget *parent);
};

} // namespace scrivane
