#pragma once

// Private to the PDF importer (TDPdfImporter): the scanner works on qpdf's
// objects, which nothing else of the program sees.

#include "document/TDPdfColorSpace.h"
#include "document/TDPdfFont.h"
#include "document/TDPdfLimits.h"
#include "model/TDModelTypes.h"
#include "platform/AffineTransform.h"
#include "platform/Color.h"
#include "platform/PathBase.h"

#include "document/TDQpdf.h"

#include <QSet>
#include <QString>

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace scrivane {

class TDGradient;
class TDGroup;

// Runs over the content stream of one PDF page and builds the graphics it
// draws: paths with fill and stroke styles, clipping groups, groups of
// forms, image rectangles, gradient-filled shapes and text rectangles, in
// the order the page paints them.  It keeps a stack of graphics states
// (q and Q, forms) and the current path, and hands every operator to the
// entry of its operator table after checking its operands; an operator
// whose operands are too few or of the wrong kind is skipped.  What the
// importer does not support is logged once per page and skipped.
//
// The page is a stranger's: forms nest no deeper than the limit and never
// draw themselves, every stream is read up to a size, images up to a
// number of pixels, and the whole page up to a number of operators and
// graphics (beyond those the scan fails).
class TDPdfPageScanner : public QPDFObjectHandle::ParserCallbacks {
public:
    using Limits = TDPdfLimits;

    // A PDF matrix [a b c d e f] in double precision: (x, y) goes to
    // (a·x + c·y + e, b·x + d·y + f).
    struct Matrix {
        double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
        // This one first, then `other`.
        Matrix then(const Matrix &other) const;
        std::optional<Matrix> inverted() const;
        Point map(double x, double y) const;
        AffineTransform toAffine() const;
        bool isFinite() const;
    };

    // `pageToDocument` maps page space into the document; `pageBox` is the
    // visible part of the page in page space.
    TDPdfPageScanner(QPDF &pdf, const Matrix &pageToDocument, const Rect &pageBox, const Limits &limits);
    ~TDPdfPageScanner() override;

    // Scans the page; false, with the reason, when a limit was passed or
    // the content cannot be read.  The graphics built are then dropped.
    bool scanPage(QPDFObjectHandle page, QString *error);
    // The page's graphics, bottom first (after a successful scan).
    TDGraphicArray takeGraphics();
    // What was skipped as unsupported, each message once.
    const QStringList &messages() const { return m_messageList; }

    // ParserCallbacks.
    void handleObject(QPDFObjectHandle object, size_t offset, size_t length) override;
    void handleEOF() override {}

    // The operators that have an entry in the table.
    static QStringList operatorNames();

private:
    // A group being built: its children are kept here until it is
    // finished, then given to the group at once.
    struct Node {
        std::shared_ptr<TDGroup> group; // null for the page itself
        TDGraphicArray children;
        Node *parent = nullptr;
        bool clipping = false;
    };

    // A shading pattern chosen as the fill colour.
    struct ShadingPaint {
        QPDFObjectHandle shading;
        // From the pattern's space to page space.
        Matrix matrix;
    };

    struct State {
        Color fillColor = Color::white();
        Color strokeColor = Color::black();
        std::optional<float> fillAlpha;
        std::optional<float> strokeAlpha;
        float strokeWidth = 1;
        int lineCap = 0;
        int lineJoin = 0;
        std::vector<float> dashes;
        std::optional<int> blendMode;
        Matrix ctm;
        // Where patterns are placed: the page's space, or a form's.
        Matrix patternSpace;
        Node *layer = nullptr;
        std::optional<TDPdfColorSpace> fillSpace;
        std::optional<TDPdfColorSpace> strokeSpace;
        std::shared_ptr<const ShadingPaint> fillShading;
        // Text.
        Matrix textMatrix;
        Matrix textLineMatrix;
        float leading = 0;
        std::shared_ptr<const TDPdfFont> font;
        double fontSize = 0;
        // The resources of the content being scanned.
        QPDFObjectHandle resources;
    };

    // One operand as the scanner keeps it.
    using Operands = std::vector<QPDFObjectHandle>;
    using Handler = void (TDPdfPageScanner::*)(Operands &);
    struct Operator {
        // One letter per operand: n number, N name, s string, a array;
        // an empty signature takes any operands.
        const char *signature;
        Handler handler;
    };
    static const std::map<std::string, Operator, std::less<>> &operatorTable();
    void dispatch(const std::string &name, Operands &operands);

    // --- State ----------------------------------------------------------------------------
    State &state() { return m_states.back(); }
    void pushState();
    void popState();
    void fixGroup();
    void finishNode(Node *node);
    Node *newNode(const std::shared_ptr<TDGroup> &group, Node *parent, bool clipping);
    // Gives a new graphic the state's style and placement and adds it to
    // the state's layer.
    void importGraphic(const TDGraphicPtr &graphic);
    // The same for a path graphic whose points are in the document already.
    void importPlacedPath(const TDGraphicPtr &graphic);
    // The state's style, line width scaled by `widthScale`.
    void applyStyle(TDGraphic &graphic, double widthScale);
    // Where path operands go: the current space followed by the page's.
    Matrix pathToDocument() const;
    // Places the graphic by `matrix` followed by the page transform.
    void placeGraphic(const TDGraphicPtr &graphic, const Matrix &matrix);
    void addToLayer(const TDGraphicPtr &graphic);
    bool countGraphic();
    void note(const QString &message);
    void fail(const QString &reason);
    QPDFObjectHandle resource(const char *category, const std::string &name);

    // --- Operators: state, path, painting, clipping, colour (TDPdfPageScanner.cpp) ---------
    void opConcat(Operands &o);
    void opSave(Operands &o);
    void opRestore(Operands &o);
    void opLineWidth(Operands &o);
    void opLineCap(Operands &o);
    void opLineJoin(Operands &o);
    void opMiterLimit(Operands &o);
    void opDash(Operands &o);
    void opIntent(Operands &o);
    void opFlatness(Operands &o);
    void opGraphicsState(Operands &o);
    void opMoveTo(Operands &o);
    void opLineTo(Operands &o);
    void opCurveTo(Operands &o);
    void opCurveToV(Operands &o);
    void opCurveToY(Operands &o);
    void opClosePath(Operands &o);
    void opRectangle(Operands &o);
    void opStroke(Operands &o);
    void opCloseStroke(Operands &o);
    void opFill(Operands &o);
    void opFillEvenOdd(Operands &o);
    void opFillStroke(Operands &o);
    void opFillStrokeEvenOdd(Operands &o);
    void opCloseFillStroke(Operands &o);
    void opCloseFillStrokeEvenOdd(Operands &o);
    void opEndPath(Operands &o);
    void opClip(Operands &o);
    void opClipEvenOdd(Operands &o);
    void opGrayFill(Operands &o);
    void opGrayStroke(Operands &o);
    void opRGBFill(Operands &o);
    void opRGBStroke(Operands &o);
    void opCMYKFill(Operands &o);
    void opCMYKStroke(Operands &o);
    void opFillSpace(Operands &o);
    void opStrokeSpace(Operands &o);
    void opFillColor(Operands &o);
    void opStrokeColor(Operands &o);
    void paint(bool fill, bool stroke, WindingRule rule);
    void clip(WindingRule rule);
    // An image's colour space is refused where a colour operator's is read
    // as a tint.
    std::optional<TDPdfColorSpace> colorSpaceNamed(QPDFObjectHandle object, bool forImage = false);
    void setColorSpace(bool fill, Operands &o);
    void setColor(bool fill, Operands &o);

    // --- Text (TDPdfPageScanner+Text.cpp) --------------------------------------------------------
    void opBeginText(Operands &o);
    void opLeading(Operands &o);
    void opMoveText(Operands &o);
    void opMoveTextLeading(Operands &o);
    void opNextLine(Operands &o);
    void opTextMatrix(Operands &o);
    void opFont(Operands &o);
    void opShowText(Operands &o);
    void opNextLineShowText(Operands &o);
    void opSpacingShowText(Operands &o);
    void opShowTextArray(Operands &o);
    void moveLine(double tx, double ty);
    void showText(const std::string &codes);

    // --- XObjects: forms and images (TDPdfPageScanner+XObjects.cpp) --------------------------------
    void opXObject(Operands &o);
    void drawForm(QPDFObjectHandle form);
    void drawImage(QPDFObjectHandle image);
    // Scans a content stream (page or form) with the current state.
    bool scanContent(QPDFObjectHandle content);

    // --- Shadings (TDPdfPageScanner+Shading.cpp) ----------------------------------------------------
    void opShading(Operands &o);
    struct GradientFill {
        std::shared_ptr<TDGradient> gradient;
        Point start;
        Point end;
        int style = 0;
    };
    // The gradient a shading dictionary describes; nothing (logged) for
    // kinds the importer does not read.
    std::optional<GradientFill> gradientForShading(QPDFObjectHandle shading);
    // Fills the graphic with the gradient of a shading pattern, in the
    // pattern's space.
    bool applyShadingPaint(const TDGraphicPtr &graphic, const ShadingPaint &paint);
    void setPattern(Operands &o);

    QPDF &m_pdf;
    Matrix m_pageToDocument;
    Rect m_pageBox;
    Limits m_limits;
    std::deque<State> m_states;
    std::deque<std::unique_ptr<Node>> m_nodes;
    Node *m_root = nullptr;
    // The current path, its points in the document's space.
    PathBase m_path;
    Operands m_operands;
    // Forms being drawn, outermost first.
    std::vector<QPDFObjGen> m_forms;
    // A restore never pops the state a form started with, nor the page's.
    size_t m_stateFloor = 1;
    std::map<QPDFObjGen, std::shared_ptr<const TDPdfFont>> m_fonts;
    std::map<QPDFObjGen, TDPdfColorSpace> m_iccSpaces;
    qint64 m_operatorCount = 0;
    qint64 m_graphicCount = 0;
    bool m_stopped = false;
    QString m_failure;
    QSet<QString> m_messages;
    QStringList m_messageList;
};

} // namespace scrivane
