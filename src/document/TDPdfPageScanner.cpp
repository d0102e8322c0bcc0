#include "document/TDPdfPageScanner.h"

#include "document/TDPdfObjects.h"
#include "model/TDBezierGraphic.h"
#include "model/TDFillStyle.h"
#include "model/TDGroup.h"
#include "model/TDStrokeStyle.h"

#include <QDebug>

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {

// The blend modes by their PDF names, numbered as the drawing stores them.
std::optional<int> blendModeNamed(const std::string &name)
{
    static const std::map<std::string, int, std::less<>> modes{
        {"Normal", 0},      {"Compatible", 0}, {"Multiply", 1},    {"Screen", 2},      {"Overlay", 3},
        {"Darken", 4},      {"Lighten", 5},    {"ColorDodge", 6},  {"ColorBurn", 7},   {"SoftLight", 8},
        {"HardLight", 9},   {"Difference", 10}, {"Exclusion", 11}, {"Hue", 12},        {"Saturation", 13},
        {"Color", 14},      {"Luminosity", 15},
    };
    const auto found = modes.find(name);
    if (found == modes.end())
        return std::nullopt;
    return found->second;
}

double number(QPDFObjectHandle &o)
{
    return TDPdfObjects::number(o).value_or(0);
}

} // namespace

// --- Matrix -------------------------------------------------------------------------------------

TDPdfPageScanner::Matrix TDPdfPageScanner::Matrix::then(const Matrix &o) const
{
    return {a * o.a + b * o.c, a * o.b + b * o.d, c * o.a + d * o.c,
            c * o.b + d * o.d, e * o.a + f * o.c + o.e, e * o.b + f * o.d + o.f};
}

std::optional<TDPdfPageScanner::Matrix> TDPdfPageScanner::Matrix::inverted() const
{
    const double det = a * d - b * c;
    if (det == 0 || !std::isfinite(det) || !std::isfinite(1 / det))
        return std::nullopt;
    const Matrix inverse{d / det, -b / det, -c / det, a / det, (c * f - d * e) / det, (b * e - a * f) / det};
    if (!inverse.isFinite())
        return std::nullopt;
    return inverse;
}

Point TDPdfPageScanner::Matrix::map(double x, double y) const
{
    return Point(float(a * x + c * y + e), float(b * x + d * y + f));
}

AffineTransform TDPdfPageScanner::Matrix::toAffine() const
{
    return AffineTransform(float(a), float(b), float(c), float(d), float(e), float(f));
}

bool TDPdfPageScanner::Matrix::isFinite() const
{
    // Single precision must hold it too: that is what graphics keep.
    for (double v : {a, b, c, d, e, f})
        if (!std::isfinite(v) || std::fabs(v) > 1e30)
            return false;
    return true;
}

// --- Scanning -------------------------------------------------------------------------------------

TDPdfPageScanner::TDPdfPageScanner(QPDF &pdf, const Matrix &pageToDocument, const Rect &pageBox,
                                   const Limits &limits)
    : m_pdf(pdf), m_pageToDocument(pageToDocument), m_pageBox(pageBox), m_limits(limits)
{
    m_root = newNode(nullptr, nullptr, false);
    State initial;
    initial.layer = m_root;
    m_states.push_back(initial);
}

TDPdfPageScanner::~TDPdfPageScanner() = default;

TDPdfPageScanner::Node *TDPdfPageScanner::newNode(const std::shared_ptr<TDGroup> &group, Node *parent,
                                                   bool clipping)
{
    auto node = std::make_unique<Node>();
    node->group = group;
    node->parent = parent;
    node->clipping = clipping;
    m_nodes.push_back(std::move(node));
    return m_nodes.back().get();
}

bool TDPdfPageScanner::scanPage(QPDFObjectHandle page, QString *error)
{
    state().resources = page.getKey("/Resources");
    // Resources may be inherited from the page tree.
    QPDFObjectHandle node = page;
    for (int depth = 0; depth < 64 && !state().resources.isDictionary(); ++depth) {
        node = node.getKey("/Parent");
        if (!node.isDictionary())
            break;
        state().resources = node.getKey("/Resources");
    }
    const bool scanned = scanContent(page.getKey("/Contents"));
    // Whatever is still saved at the end is finished like a restore.
    while (!m_states.empty() && !m_stopped)
        popState();
    if (!scanned || m_stopped) {
        if (error)
            *error = m_failure.isEmpty() ? QStringLiteral("The page cannot be read.") : m_failure;
        return false;
    }
    return true;
}

TDGraphicArray TDPdfPageScanner::takeGraphics()
{
    return std::move(m_root->children);
}

void TDPdfPageScanner::handleObject(QPDFObjectHandle object, size_t, size_t)
{
    if (m_stopped) {
        terminateParsing();
        return;
    }
    if (!object.isOperator()) {
        // No operator takes more operands than a colour space has
        // components: a longer run is junk, and only its end can count.
        if (m_operands.size() >= size_t(TDPdfColorSpace::MaximumComponents) + 4)
            m_operands.erase(m_operands.begin());
        m_operands.push_back(object);
        return;
    }
    if (++m_operatorCount > m_limits.operators) {
        fail(QStringLiteral("The page holds more than %1 operators.").arg(m_limits.operators));
        terminateParsing();
        return;
    }
    // The operands are taken before the operator runs: a form it draws
    // starts with none.
    Operands operands = std::move(m_operands);
    m_operands.clear();
    dispatch(object.getOperatorValue(), operands);
    if (m_stopped)
        terminateParsing();
}

void TDPdfPageScanner::dispatch(const std::string &name, Operands &given)
{
    const auto &table = operatorTable();
    const auto entry = table.find(name);
    if (entry == table.end())
        return;
    const std::string_view signature = entry->second.signature;
    Operands operands;
    if (signature.empty()) {
        operands = given;
    } else {
        // Extra operands before the ones the operator takes are ignored,
        // as a stack of operands would.
        if (given.size() < signature.size()) {
            note(QStringLiteral("The operator %1 with too few operands was skipped.").arg(QString::fromStdString(name)));
            return;
        }
        operands.assign(given.end() - std::ptrdiff_t(signature.size()), given.end());
        for (size_t i = 0; i < signature.size(); ++i) {
            QPDFObjectHandle &o = operands[i];
            bool ok = false;
            switch (signature[i]) {
            case 'n':
                ok = TDPdfObjects::number(o).has_value();
                break;
            case 'N':
                ok = o.isName();
                break;
            case 's':
                ok = o.isString();
                break;
            case 'a':
                ok = o.isArray();
                break;
            }
            if (!ok) {
                note(QStringLiteral("The operator %1 with operands of the wrong kind was skipped.")
                         .arg(QString::fromStdString(name)));
                return;
            }
        }
    }
    (this->*entry->second.handler)(operands);
}

const std::map<std::string, TDPdfPageScanner::Operator, std::less<>> &TDPdfPageScanner::operatorTable()
{
    using S = TDPdfPageScanner;
    static const std::map<std::string, Operator, std::less<>> table{
        {"cm", {"nnnnnn", &S::opConcat}},
        {"q", {"", &S::opSave}},
        {"Q", {"", &S::opRestore}},
        {"w", {"n", &S::opLineWidth}},
        {"J", {"n", &S::opLineCap}},
        {"j", {"n", &S::opLineJoin}},
        {"M", {"", &S::opMiterLimit}},
        {"d", {"an", &S::opDash}},
        {"ri", {"", &S::opIntent}},
        {"i", {"n", &S::opFlatness}},
        {"gs", {"N", &S::opGraphicsState}},
        {"m", {"nn", &S::opMoveTo}},
        {"l", {"nn", &S::opLineTo}},
        {"c", {"nnnnnn", &S::opCurveTo}},
        {"v", {"nnnn", &S::opCurveToV}},
        {"y", {"nnnn", &S::opCurveToY}},
        {"h", {"", &S::opClosePath}},
        {"re", {"nnnn", &S::opRectangle}},
        {"S", {"", &S::opStroke}},
        {"s", {"", &S::opCloseStroke}},
        {"f", {"", &S::opFill}},
        {"F", {"", &S::opFill}},
        {"f*", {"", &S::opFillEvenOdd}},
        {"B", {"", &S::opFillStroke}},
        {"B*", {"", &S::opFillStrokeEvenOdd}},
        {"b", {"", &S::opCloseFillStroke}},
        {"b*", {"", &S::opCloseFillStrokeEvenOdd}},
        {"n", {"", &S::opEndPath}},
        {"W", {"", &S::opClip}},
        {"W*", {"", &S::opClipEvenOdd}},
        {"g", {"n", &S::opGrayFill}},
        {"G", {"n", &S::opGrayStroke}},
        {"rg", {"nnn", &S::opRGBFill}},
        {"RG", {"nnn", &S::opRGBStroke}},
        {"k", {"nnnn", &S::opCMYKFill}},
        {"K", {"nnnn", &S::opCMYKStroke}},
        {"cs", {"N", &S::opFillSpace}},
        {"CS", {"N", &S::opStrokeSpace}},
        {"sc", {"", &S::opFillColor}},
        {"scn", {"", &S::opFillColor}},
        {"SC", {"", &S::opStrokeColor}},
        {"SCN", {"", &S::opStrokeColor}},
        {"BT", {"", &S::opBeginText}},
        {"TL", {"n", &S::opLeading}},
        {"Td", {"nn", &S::opMoveText}},
        {"TD", {"nn", &S::opMoveTextLeading}},
        {"T*", {"", &S::opNextLine}},
        {"Tm", {"nnnnnn", &S::opTextMatrix}},
        {"Tf", {"Nn", &S::opFont}},
        {"Tj", {"s", &S::opShowText}},
        {"'", {"s", &S::opNextLineShowText}},
        {"\"", {"nns", &S::opSpacingShowText}},
        {"TJ", {"a", &S::opShowTextArray}},
        {"Do", {"N", &S::opXObject}},
        {"sh", {"N", &S::opShading}},
    };
    return table;
}

QStringList TDPdfPageScanner::operatorNames()
{
    QStringList names;
    for (const auto &[name, entry] : operatorTable())
        names << QString::fromStdString(name);
    return names;
}

void TDPdfPageScanner::note(const QString &message)
{
    if (m_messages.contains(message))
        return;
    m_messages.insert(message);
    m_messageList << message;
    qWarning().noquote() << QStringLiteral("PDF import:") << message;
}

void TDPdfPageScanner::fail(const QString &reason)
{
    if (!m_stopped)
        m_failure = reason;
    m_stopped = true;
}

QPDFObjectHandle TDPdfPageScanner::resource(const char *category, const std::string &name)
{
    QPDFObjectHandle resources = state().resources;
    if (!resources.isDictionary())
        return QPDFObjectHandle::newNull();
    QPDFObjectHandle group = resources.getKey(category);
    if (!group.isDictionary())
        return QPDFObjectHandle::newNull();
    return group.getKey("/" + name);
}

// --- State stack and groups -----------------------------------------------------------------------

void TDPdfPageScanner::pushState()
{
    m_states.push_back(m_states.back());
}

void TDPdfPageScanner::popState()
{
    fixGroup();
    m_states.pop_back();
}

// Finishes the groups the current state opened (clips, forms): from the
// state's layer up to the layer of the state below.
void TDPdfPageScanner::fixGroup()
{
    Node *below = m_states.size() > 1 ? m_states[m_states.size() - 2].layer : nullptr;
    for (Node *node = state().layer; node && node != below && node->group;) {
        Node *parent = node->parent;
        finishNode(node);
        if (parent == below)
            break;
        node = parent;
    }
}

void TDPdfPageScanner::finishNode(Node *node)
{
    TDGraphicArray children = std::move(node->children);
    Node *parent = node->parent;
    const auto place = parent ? std::find(parent->children.begin(), parent->children.end(), node->group)
                              : TDGraphicArray::iterator();
    const bool placed = parent && place != parent->children.end();
    if (node->clipping && !children.empty()) {
        const TDGraphicPtr clipPath = children.front();
        if (children.size() == 1) {
            // A clip around nothing paints nothing; its path would show as
            // a line.
            if (placed)
                parent->children.erase(place);
            return;
        }
        if (children.size() == 2 && children[1]->fillStyle()->style() == TDFillStyle::GradientFill) {
            // A shading inside a clip is one gradient-filled shape.
            clipPath->copyStyleFrom(*children[1]);
            clipPath->setFillTransformation(children[1]->fillTransformation());
            clipPath->setBlendMode(children[1]->blendMode());
            clipPath->setAlphaValue(children[1]->alphaValue());
            if (placed)
                *place = clipPath;
            return;
        }
        // The last child of a clipping group clips the others.
        children.erase(children.begin());
        children.push_back(clipPath);
    }
    if (children.empty()) {
        if (placed)
            parent->children.erase(place);
        return;
    }
    node->group->initWithGraphics(children);
    for (const TDGraphicPtr &child : children)
        child->setLayer(node->group);
    node->group->calculateBounds();
}

bool TDPdfPageScanner::countGraphic()
{
    if (++m_graphicCount > m_limits.graphics) {
        fail(QStringLiteral("The page holds more than %1 graphics.").arg(m_limits.graphics));
        return false;
    }
    return true;
}

void TDPdfPageScanner::placeGraphic(const TDGraphicPtr &graphic, const Matrix &matrix)
{
    const Matrix total = matrix.then(m_pageToDocument);
    graphic->startManipulation();
    graphic->transformWithTransformation(total.toAffine());
    graphic->stopManipulation();
}

void TDPdfPageScanner::addToLayer(const TDGraphicPtr &graphic)
{
    state().layer->children.push_back(graphic);
}

void TDPdfPageScanner::applyStyle(TDGraphic &graphic, double widthScale)
{
    const State &s = state();
    graphic.fillStyle()->setColor(s.fillAlpha ? s.fillColor.withAlpha(*s.fillAlpha) : s.fillColor);
    TDStrokeStyle &stroke = *graphic.strokeStyle();
    stroke.setColor(s.strokeAlpha ? s.strokeColor.withAlpha(*s.strokeAlpha) : s.strokeColor);
    stroke.setStrokeWidth(float(s.strokeWidth * widthScale));
    stroke.setCapStyle(s.lineCap);
    stroke.setJoinStyle(s.lineJoin);
    if (!s.dashes.empty())
        stroke.setDashesUnscaled(s.dashes);
    if (s.blendMode)
        graphic.setBlendMode(*s.blendMode);
}

void TDPdfPageScanner::importGraphic(const TDGraphicPtr &graphic)
{
    applyStyle(*graphic, 1);
    placeGraphic(graphic, state().ctm);
    addToLayer(graphic);
}

TDPdfPageScanner::Matrix TDPdfPageScanner::pathToDocument() const
{
    return m_states.back().ctm.then(m_pageToDocument);
}

void TDPdfPageScanner::importPlacedPath(const TDGraphicPtr &graphic)
{
    // What placing the graphic would give its paints: the fill follows the
    // whole transformation, the line width its mean scale.
    const Matrix toDocument = pathToDocument();
    applyStyle(*graphic, std::sqrt(std::hypot(toDocument.a, toDocument.b) * std::hypot(toDocument.c, toDocument.d)));
    graphic->setFillTransformation(toDocument.toAffine());
    addToLayer(graphic);
}

// --- Graphics state operators ---------------------------------------------------------------------------

void TDPdfPageScanner::opConcat(Operands &o)
{
    const Matrix m{number(o[0]), number(o[1]), number(o[2]), number(o[3]), number(o[4]), number(o[5])};
    const Matrix ctm = m.then(state().ctm);
    if (!ctm.isFinite()) {
        note(QStringLiteral("A transformation too large to draw was skipped."));
        return;
    }
    state().ctm = ctm;
}

void TDPdfPageScanner::opSave(Operands &)
{
    pushState();
}

void TDPdfPageScanner::opRestore(Operands &)
{
    // A restore without its save would leave the page with no state at all.
    if (m_states.size() <= m_stateFloor) {
        note(QStringLiteral("A restore without a save was ignored."));
        return;
    }
    popState();
}

void TDPdfPageScanner::opLineWidth(Operands &o)
{
    const double width = number(o[0]);
    state().strokeWidth = float(std::clamp(std::fabs(width), 0.0, 1e6));
}

void TDPdfPageScanner::opLineCap(Operands &o)
{
    state().lineCap = std::clamp(int(number(o[0])), 0, 2);
}

void TDPdfPageScanner::opLineJoin(Operands &o)
{
    state().lineJoin = std::clamp(int(number(o[0])), 0, 2);
}

void TDPdfPageScanner::opMiterLimit(Operands &)
{
    note(QStringLiteral("Mitre limit unsupported"));
}

void TDPdfPageScanner::opDash(Operands &o)
{
    const auto dashes = TDPdfObjects::numbers(o[0], 64);
    if (!dashes) {
        note(QStringLiteral("A dash pattern that is not a short list of numbers was skipped."));
        return;
    }
    std::vector<float> lengths;
    bool drawn = false;
    for (double d : *dashes) {
        if (d < 0 || d > 1e6) {
            note(QStringLiteral("A dash pattern with lengths out of range was skipped."));
            return;
        }
        drawn = drawn || d > 0;
        lengths.push_back(float(d));
    }
    // Lengths that are all zero draw a solid line.
    state().dashes = drawn ? lengths : std::vector<float>();
}

void TDPdfPageScanner::opIntent(Operands &)
{
    note(QStringLiteral("Rendering intent unsupported"));
}

void TDPdfPageScanner::opFlatness(Operands &o)
{
    const double flatness = number(o[0]);
    if (flatness != 0 && std::fabs(flatness - 0.6) > 1e-7)
        note(QStringLiteral("Flatness unsupported"));
}

void TDPdfPageScanner::opGraphicsState(Operands &o)
{
    QPDFObjectHandle gs = resource("/ExtGState", TDPdfObjects::name(o[0]));
    if (!gs.isDictionary()) {
        note(QStringLiteral("A graphics state that is not among the resources was skipped."));
        return;
    }
    State &s = state();
    if (const auto width = TDPdfObjects::number(gs.getKey("/LW")))
        s.strokeWidth = float(std::clamp(std::fabs(*width), 0.0, 1e6));
    if (const auto cap = TDPdfObjects::integer(gs.getKey("/LC")))
        s.lineCap = std::clamp(*cap, 0, 2);
    if (const auto join = TDPdfObjects::integer(gs.getKey("/LJ")))
        s.lineJoin = std::clamp(*join, 0, 2);
    if (const auto alpha = TDPdfObjects::number(gs.getKey("/CA")))
        s.strokeAlpha = float(std::clamp(*alpha, 0.0, 1.0));
    if (const auto alpha = TDPdfObjects::number(gs.getKey("/ca")))
        s.fillAlpha = float(std::clamp(*alpha, 0.0, 1.0));
    QPDFObjectHandle blend = gs.getKey("/BM");
    if (blend.isName()) {
        if (const auto mode = blendModeNamed(TDPdfObjects::name(blend)))
            s.blendMode = *mode;
        else
            note(QStringLiteral("An unknown blend mode was ignored."));
    } else if (blend.isArray()) {
        // The first mode of the list that is known, as readers should.
        for (int i = 0; i < blend.getArrayNItems(); ++i) {
            if (const auto mode = blendModeNamed(TDPdfObjects::name(blend.getArrayItem(i)))) {
                s.blendMode = *mode;
                break;
            }
        }
    }
    if (gs.hasKey("/ML"))
        note(QStringLiteral("Graphics state mitre limit unsupported"));
    if (gs.hasKey("/D"))
        note(QStringLiteral("Graphics state dash array unsupported"));
    if (gs.hasKey("/RI"))
        note(QStringLiteral("Graphics state rendering intent unsupported"));
    if (gs.hasKey("/SMask") && TDPdfObjects::name(gs.getKey("/SMask")) != "None")
        note(QStringLiteral("Soft masks unsupported"));
}

// --- Path construction ------------------------------------------------------------------------------------

// The points of a path are placed in the document as they are read, once:
// a path is painted or clips in the space it was built in (a page cannot
// change the transformation while it builds one).

void TDPdfPageScanner::opMoveTo(Operands &o)
{
    m_path.moveTo(pathToDocument().map(number(o[0]), number(o[1])));
}

void TDPdfPageScanner::opLineTo(Operands &o)
{
    m_path.lineTo(pathToDocument().map(number(o[0]), number(o[1])));
}

void TDPdfPageScanner::opCurveTo(Operands &o)
{
    const Matrix m = pathToDocument();
    m_path.curveTo(m.map(number(o[4]), number(o[5])), m.map(number(o[0]), number(o[1])),
                   m.map(number(o[2]), number(o[3])));
}

void TDPdfPageScanner::opCurveToV(Operands &o)
{
    const Matrix m = pathToDocument();
    m_path.curveTo(m.map(number(o[2]), number(o[3])), m_path.currentPoint(), m.map(number(o[0]), number(o[1])));
}

void TDPdfPageScanner::opCurveToY(Operands &o)
{
    const Matrix m = pathToDocument();
    const Point end = m.map(number(o[2]), number(o[3]));
    m_path.curveTo(end, m.map(number(o[0]), number(o[1])), end);
}

void TDPdfPageScanner::opClosePath(Operands &)
{
    m_path.close();
}

void TDPdfPageScanner::opRectangle(Operands &o)
{
    // Drawn as the PDF operator draws it, so that the winding of a
    // rectangle with a negative width or height is kept.
    const double x = number(o[0]);
    const double y = number(o[1]);
    const double w = number(o[2]);
    const double h = number(o[3]);
    const Matrix m = pathToDocument();
    m_path.moveTo(m.map(x, y));
    m_path.lineTo(m.map(x + w, y));
    m_path.lineTo(m.map(x + w, y + h));
    m_path.lineTo(m.map(x, y + h));
    m_path.close();
}

// --- Painting ----------------------------------------------------------------------------------------------

void TDPdfPageScanner::paint(bool fill, bool stroke, WindingRule rule)
{
    PathBase path = std::move(m_path);
    m_path = PathBase();
    if (path.elementCount() < 2 || !path.hasFinitePoints() || !countGraphic())
        return;
    const auto graphic = TDBezierGraphic::graphicWithBezierPath(path);
    graphic->fillStyle()->setStyle(fill ? TDFillStyle::ColorFill : TDFillStyle::None);
    graphic->fillStyle()->setWinding(int(rule));
    graphic->strokeStyle()->setStyle(stroke ? TDStrokeStyle::Line : TDStrokeStyle::None);
    const std::shared_ptr<const ShadingPaint> shading = fill ? state().fillShading : nullptr;
    importPlacedPath(graphic);
    if (shading && !applyShadingPaint(graphic, *shading))
        graphic->fillStyle()->setColor(Color::white());
}

void TDPdfPageScanner::opStroke(Operands &)
{
    paint(false, true, WindingRule::NonZero);
}

void TDPdfPageScanner::opCloseStroke(Operands &)
{
    m_path.close();
    paint(false, true, WindingRule::NonZero);
}

void TDPdfPageScanner::opFill(Operands &)
{
    paint(true, false, WindingRule::NonZero);
}

void TDPdfPageScanner::opFillEvenOdd(Operands &)
{
    paint(true, false, WindingRule::EvenOdd);
}

void TDPdfPageScanner::opFillStroke(Operands &)
{
    paint(true, true, WindingRule::NonZero);
}

void TDPdfPageScanner::opFillStrokeEvenOdd(Operands &)
{
    paint(true, true, WindingRule::EvenOdd);
}

void TDPdfPageScanner::opCloseFillStroke(Operands &)
{
    m_path.close();
    paint(true, true, WindingRule::NonZero);
}

void TDPdfPageScanner::opCloseFillStrokeEvenOdd(Operands &)
{
    m_path.close();
    paint(true, true, WindingRule::EvenOdd);
}

void TDPdfPageScanner::opEndPath(Operands &)
{
    m_path = PathBase();
}

// --- Clipping ------------------------------------------------------------------------------------------------

void TDPdfPageScanner::clip(WindingRule rule)
{
    if (m_path.elementCount() < 2 || !m_path.hasFinitePoints() || !countGraphic())
        return;
    const auto group = std::make_shared<TDGroup>();
    group->setClip(true);
    importGraphic(group);
    state().layer = newNode(group, state().layer, true);
    // The path stays current: the n or painting operator that follows ends it.
    const auto clipPath = TDBezierGraphic::graphicWithBezierPath(m_path);
    clipPath->strokeStyle()->setStyle(TDStrokeStyle::Line);
    if (rule == WindingRule::NonZero)
        clipPath->fillStyle()->setWinding(int(WindingRule::NonZero));
    importPlacedPath(clipPath);
}

void TDPdfPageScanner::opClip(Operands &)
{
    clip(WindingRule::NonZero);
}

void TDPdfPageScanner::opClipEvenOdd(Operands &)
{
    clip(WindingRule::EvenOdd);
}

// --- Colour --------------------------------------------------------------------------------------------------

void TDPdfPageScanner::opGrayFill(Operands &o)
{
    state().fillColor = Color::deviceWhite(float(number(o[0])));
    state().fillShading = nullptr;
}

void TDPdfPageScanner::opGrayStroke(Operands &o)
{
    state().strokeColor = Color::deviceWhite(float(number(o[0])));
}

void TDPdfPageScanner::opRGBFill(Operands &o)
{
    state().fillColor = Color::deviceRGB(float(number(o[0])), float(number(o[1])), float(number(o[2])));
    state().fillShading = nullptr;
}

void TDPdfPageScanner::opRGBStroke(Operands &o)
{
    state().strokeColor = Color::deviceRGB(float(number(o[0])), float(number(o[1])), float(number(o[2])));
}

void TDPdfPageScanner::opCMYKFill(Operands &o)
{
    state().fillColor =
        Color::deviceCMYK(float(number(o[0])), float(number(o[1])), float(number(o[2])), float(number(o[3])));
    state().fillShading = nullptr;
}

void TDPdfPageScanner::opCMYKStroke(Operands &o)
{
    state().strokeColor =
        Color::deviceCMYK(float(number(o[0])), float(number(o[1])), float(number(o[2])), float(number(o[3])));
}

std::optional<TDPdfColorSpace> TDPdfPageScanner::colorSpaceNamed(QPDFObjectHandle object, bool forImage)
{
    const auto device = [](const std::string &name) -> std::optional<std::optional<TDPdfColorSpace>> {
        if (name == "DeviceGray" || name == "G" || name == "CalGray")
            return TDPdfColorSpace::deviceGray();
        if (name == "DeviceRGB" || name == "RGB" || name == "CalRGB")
            return TDPdfColorSpace::deviceRGB();
        if (name == "DeviceCMYK" || name == "CMYK")
            return TDPdfColorSpace::deviceCMYK();
        if (name == "Pattern")
            return std::optional<TDPdfColorSpace>();
        return std::nullopt;
    };
    QPDFObjectHandle space = object;
    if (object.isName()) {
        const std::string name = TDPdfObjects::name(object);
        if (const auto known = device(name))
            return *known;
        space = resource("/ColorSpace", name);
        // A resource may name a device space, never another resource.
        if (space.isName()) {
            if (const auto known = device(TDPdfObjects::name(space)))
                return *known;
        }
    }
    if (!space.isArray() || space.getArrayNItems() < 1) {
        if (forImage)
            return std::nullopt;
        note(QStringLiteral("A colour space that is not among the resources was read as a tint."));
        return TDPdfColorSpace::tint(1);
    }
    const std::string family = TDPdfObjects::name(space.getArrayItem(0));
    if (family == "ICCBased" && space.getArrayNItems() >= 2 && space.getArrayItem(1).isStream()) {
        QPDFObjectHandle stream = space.getArrayItem(1);
        const QPDFObjGen id = stream.getObjGen();
        if (const auto known = m_iccSpaces.find(id); known != m_iccSpaces.end() && id.getObj() != 0)
            return known->second;
        const int components = TDPdfObjects::integer(stream.getDict().getKey("/N")).value_or(0);
        if (components != 1 && components != 3 && components != 4) {
            note(QStringLiteral("An ICC colour space of %1 components was read as a tint.").arg(components));
            return TDPdfColorSpace::tint(std::clamp(components, 1, TDPdfColorSpace::MaximumComponents));
        }
        QString why;
        const auto profile = TDPdfObjects::streamData(stream, size_t(4) << 20, false, &why);
        if (!profile)
            note(QStringLiteral("An ICC profile cannot be read (%1): its device colours were used.").arg(why));
        const TDPdfColorSpace result =
            TDPdfColorSpace::iccBased(profile ? QByteArray::fromStdString(*profile) : QByteArray(), components);
        if (result.family() != TDPdfColorSpace::Family::ICCBased && profile)
            note(QStringLiteral("An ICC profile lcms2 cannot use was replaced by device colours."));
        if (id.getObj() != 0)
            m_iccSpaces.emplace(id, result);
        return result;
    }
    if (family == "CalRGB")
        return TDPdfColorSpace::deviceRGB();
    if (family == "CalGray")
        return TDPdfColorSpace::deviceGray();
    if (family == "Pattern")
        return std::nullopt;
    // Separations and the rest: their tints, read as grey.
    int components = 1;
    if (family == "DeviceN" && space.getArrayNItems() >= 2 && space.getArrayItem(1).isArray())
        components = std::clamp(space.getArrayItem(1).getArrayNItems(), 1, TDPdfColorSpace::MaximumComponents);
    else if (forImage && family != "Separation")
        return std::nullopt;
    note(QStringLiteral("Unknown colorspace model %1").arg(QString::fromStdString(family)));
    return TDPdfColorSpace::tint(components);
}

void TDPdfPageScanner::setColorSpace(bool fill, Operands &o)
{
    const std::optional<TDPdfColorSpace> space = colorSpaceNamed(o[0]);
    State &s = state();
    const Color initial = space ? space->initialColor() : Color::black();
    if (fill) {
        s.fillSpace = space;
        s.fillColor = initial;
        s.fillShading = nullptr;
    } else {
        s.strokeSpace = space;
        s.strokeColor = initial;
    }
}

void TDPdfPageScanner::opFillSpace(Operands &o)
{
    setColorSpace(true, o);
}

void TDPdfPageScanner::opStrokeSpace(Operands &o)
{
    setColorSpace(false, o);
}

void TDPdfPageScanner::setColor(bool fill, Operands &o)
{
    State &s = state();
    const std::optional<TDPdfColorSpace> &space = fill ? s.fillSpace : s.strokeSpace;
    Color &color = fill ? s.fillColor : s.strokeColor;
    if (fill)
        s.fillShading = nullptr;
    if (!space) {
        // No colour space, or a pattern: a shading pattern fills; other
        // paints are white.
        color = Color::white();
        if (fill && !o.empty() && o.back().isName())
            setPattern(o);
        return;
    }
    // The last operands, as many as the space has components.
    const size_t n = size_t(space->components());
    if (o.size() < n) {
        note(QStringLiteral("A colour with fewer operands than its colour space has components was skipped."));
        return;
    }
    std::vector<double> components;
    for (size_t i = o.size() - n; i < o.size(); ++i) {
        const auto v = TDPdfObjects::number(o[i]);
        if (!v) {
            note(QStringLiteral("A colour with operands that are not numbers was skipped."));
            return;
        }
        components.push_back(*v);
    }
    color = space->color(components);
}

void TDPdfPageScanner::opFillColor(Operands &o)
{
    setColor(true, o);
}

void TDPdfPageScanner::opStrokeColor(Operands &o)
{
    setColor(false, o);
}

} // namespace scrivane
