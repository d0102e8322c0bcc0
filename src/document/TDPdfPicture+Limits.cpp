#include "document/TDPdfPicture.h"

#include "document/TDPdfObjects.h"

#include "document/TDQpdf.h"

#include <qpdf/BufferInputSource.hh>
#include <qpdf/QPDFTokenizer.hh>

#include <QByteArray>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace scrivane {

namespace {

// Objects looked at before the page is thought too tangled to draw.
constexpr size_t MaximumObjects = 1'000'000;
// Forms drawn inside forms beyond this are refused rather than followed.
constexpr int MaximumFormNesting = 100;

// Keys that lead from the page to the rest of the document, which poppler
// does not draw for this page.
bool leadsAway(const std::string &key)
{
    static const std::set<std::string> away{"/Parent", "/P", "/Dest", "/A", "/AA", "/PA", "/Thumb", "/B"};
    return away.count(key) > 0;
}

// Operators that put something on the page.
bool paints(const std::string &op)
{
    static const std::set<std::string> painting{"f", "F", "f*", "B", "B*", "b", "b*", "S", "s",
                                                "sh", "Do", "Tj", "TJ", "'", "\"", "EI"};
    return painting.count(op) > 0;
}

// What running a content stream costs, forms counted each time they are
// drawn; sums stop growing past the limits so that nesting cannot
// overflow them.
struct Cost {
    qint64 operators = 0;
    qint64 paints = 0;
    void add(const Cost &other, const TDPdfLimits &limits)
    {
        operators = std::min(operators + other.operators, limits.operators + 1);
        paints = std::min(paints + other.paints, limits.graphics + 1);
    }
};

class PageCheck {
public:
    PageCheck(const TDPdfLimits &limits) : m_limits(limits) {}

    bool check(QPDFPageObjectHelper page)
    {
        // Resources may be inherited from the page tree, which the walk
        // does not climb.
        const std::vector<QPDFObjectHandle> resources{page.getAttribute("/Resources", false)};
        if (!walk({page.getObjectHandle(), resources.front()}))
            return false;
        Cost cost;
        const std::optional<Cost> content = contentCost(pageContent(page.getObjectHandle()), resources, 0);
        if (!content)
            return false;
        cost.add(*content, m_limits);
        // Annotations drawn on the page (form fields, marks for print) are
        // forms of their own.
        QPDFObjectHandle annotations = page.getObjectHandle().getKey("/Annots");
        for (int i = 0; annotations.isArray() && i < annotations.getArrayNItems(); ++i) {
            QPDFObjectHandle annotation = annotations.getArrayItem(i);
            QPDFObjectHandle normal = annotation.isDictionary() ? annotation.getKey("/AP") : QPDFObjectHandle();
            normal = normal.isDictionary() ? normal.getKey("/N") : QPDFObjectHandle::newNull();
            std::vector<QPDFObjectHandle> appearances;
            if (normal.isStream()) {
                appearances.push_back(normal);
            } else if (normal.isDictionary()) {
                for (const auto &[key, state] : normal.getDictAsMap())
                    appearances.push_back(state);
            }
            for (const QPDFObjectHandle &appearance : appearances) {
                const std::optional<Cost> drawn = formCost(appearance, resources, 1);
                if (!drawn)
                    return false;
                cost.add(*drawn, m_limits);
            }
        }
        return withinCost(cost);
    }

    const QString &reason() const { return m_reason; }

private:
    bool fail(const QString &reason)
    {
        m_reason = reason;
        return false;
    }

    bool withinCost(const Cost &cost)
    {
        if (cost.operators > m_limits.operators)
            return fail(QStringLiteral("its page runs more than %1 operators.").arg(m_limits.operators));
        if (cost.paints > m_limits.graphics)
            return fail(QStringLiteral("its page paints more than %1 times.").arg(m_limits.graphics));
        return true;
    }

    bool imageWithinLimits(qint64 width, qint64 height)
    {
        // An image without a size is refused by poppler itself.
        if (width > 0 && height > 0 && width > m_limits.imagePixels / height)
            return fail(QStringLiteral("it has an image of more than %1 pixels.").arg(m_limits.imagePixels));
        return true;
    }

    // Every object the page reaches: images are measured, the other
    // streams decoded (a few compressed bytes may inflate to gigabytes).
    bool walk(std::vector<QPDFObjectHandle> pending)
    {
        std::set<QPDFObjGen> seen;
        size_t looked = 0;
        while (!pending.empty()) {
            QPDFObjectHandle object = pending.back();
            pending.pop_back();
            if (++looked > MaximumObjects)
                return fail(QStringLiteral("its page reaches more than %1 objects.").arg(MaximumObjects));
            const QPDFObjGen id = object.getObjGen();
            if (id.getObj() != 0 && !seen.insert(id).second)
                continue;
            if (object.isArray()) {
                for (int i = object.getArrayNItems() - 1; i >= 0; --i)
                    pending.push_back(object.getArrayItem(i));
                continue;
            }
            if (!object.isDictionary() && !object.isStream())
                continue;
            QPDFObjectHandle dictionary = object.isStream() ? object.getDict() : object;
            if (object.isStream() && !stream(object, dictionary))
                return false;
            for (const std::string &key : dictionary.getKeys()) {
                if (!leadsAway(key))
                    pending.push_back(dictionary.getKey(key));
            }
        }
        return true;
    }

    bool stream(QPDFObjectHandle object, QPDFObjectHandle dictionary)
    {
        if (TDPdfObjects::name(dictionary.getKey("/Subtype")) == "Image") {
            const auto width = TDPdfObjects::integer(dictionary.getKey("/Width"));
            const auto height = TDPdfObjects::integer(dictionary.getKey("/Height"));
            return imageWithinLimits(width.value_or(0), height.value_or(0));
        }
        QString why;
        const size_t left = m_limits.streamBytes - std::min(m_bytes, m_limits.streamBytes);
        const std::optional<std::string> data = TDPdfObjects::streamData(object, left, false, &why);
        if (data) {
            m_bytes += data->size();
        } else if (why.startsWith(QStringLiteral("its data is longer"))) {
            return fail(QStringLiteral("its page's streams decode to more than %1 bytes.").arg(m_limits.streamBytes));
        }
        // Streams qpdf cannot decode are left to poppler, which reads
        // them no better.
        return true;
    }

    std::string pageContent(QPDFObjectHandle page) const
    {
        QPDFObjectHandle contents = page.getKey("/Contents");
        std::vector<QPDFObjectHandle> streams;
        if (contents.isArray()) {
            for (int i = 0; i < contents.getArrayNItems(); ++i)
                streams.push_back(contents.getArrayItem(i));
        } else {
            streams.push_back(contents);
        }
        std::string data;
        for (QPDFObjectHandle stream : streams) {
            // Within the limit: the walk has decoded every one of them.
            if (const auto part = TDPdfObjects::streamData(stream, m_limits.streamBytes, false, nullptr))
                data += *part + '\n';
        }
        return data;
    }

    // The named resource of a category, looked up from the innermost
    // resources outwards, as poppler does.
    static QPDFObjectHandle resource(const std::vector<QPDFObjectHandle> &resources, const std::string &category,
                                     const std::string &name)
    {
        for (auto it = resources.rbegin(); it != resources.rend(); ++it) {
            QPDFObjectHandle dictionary = *it;
            if (!dictionary.isDictionary())
                continue;
            QPDFObjectHandle table = dictionary.getKey(category);
            if (table.isDictionary() && table.hasKey(name))
                return table.getKey(name);
        }
        return QPDFObjectHandle::newNull();
    }

    std::optional<Cost> formCost(QPDFObjectHandle form, std::vector<QPDFObjectHandle> resources, int depth)
    {
        if (!form.isStream())
            return Cost();
        const QPDFObjGen id = form.getObjGen();
        if (const auto known = m_forms.find(id); known != m_forms.end() && id.getObj() != 0)
            return known->second;
        // A form that draws itself is drawn once by poppler.
        if (m_drawing.count(id) > 0)
            return Cost();
        if (depth > MaximumFormNesting) {
            fail(QStringLiteral("its forms nest more than %1 deep.").arg(MaximumFormNesting));
            return std::nullopt;
        }
        const std::optional<std::string> data = TDPdfObjects::streamData(form, m_limits.streamBytes, false, nullptr);
        if (!data)
            return Cost();
        resources.push_back(form.getDict().getKey("/Resources"));
        m_drawing.insert(id);
        const std::optional<Cost> cost = contentCost(*data, resources, depth);
        m_drawing.erase(id);
        if (cost && id.getObj() != 0)
            m_forms.emplace(id, *cost);
        return cost;
    }

    std::optional<Cost> contentCost(const std::string &data, const std::vector<QPDFObjectHandle> &resources,
                                    int depth)
    {
        Cost cost;
        if (data.empty())
            return cost;
        auto input = std::make_shared<BufferInputSource>("content", data);
        QPDFTokenizer tokenizer;
        tokenizer.allowEOF();
        std::string lastName;
        // An inline image's dictionary, between BI and ID.
        bool inImage = false;
        std::string key;
        qint64 width = 0, height = 0;
        for (;;) {
            const QPDFTokenizer::Token token = tokenizer.readToken(input, "content", true);
            const std::string &value = token.getValue();
            switch (token.getType()) {
            case QPDFTokenizer::tt_eof:
                return cost;
            case QPDFTokenizer::tt_name:
                if (inImage)
                    key = key.empty() ? value : std::string();
                lastName = value;
                continue;
            case QPDFTokenizer::tt_integer:
                if (inImage && (key == "/W" || key == "/Width"))
                    width = QByteArray::fromStdString(value).toLongLong();
                else if (inImage && (key == "/H" || key == "/Height"))
                    height = QByteArray::fromStdString(value).toLongLong();
                key.clear();
                continue;
            case QPDFTokenizer::tt_word:
                break;
            default:
                key.clear();
                continue;
            }
            if (inImage && value != "ID") {
                key.clear();
                continue;
            }
            if (++cost.operators > m_limits.operators || cost.paints > m_limits.graphics) {
                withinCost(cost);
                return std::nullopt;
            }
            if (value == "BI") {
                inImage = true;
                key.clear();
                width = height = 0;
            } else if (value == "ID") {
                inImage = false;
                if (!imageWithinLimits(width, height))
                    return std::nullopt;
                // The image's bytes follow one white-space character.
                char separator;
                input->read(&separator, 1);
                tokenizer.expectInlineImage(input);
                tokenizer.readToken(input, "content", true);
            } else if (value == "Do") {
                QPDFObjectHandle object = resource(resources, "/XObject", lastName);
                if (object.isStream() && TDPdfObjects::name(object.getDict().getKey("/Subtype")) == "Form") {
                    const std::optional<Cost> drawn = formCost(object, resources, depth + 1);
                    if (!drawn)
                        return std::nullopt;
                    cost.add(*drawn, m_limits);
                }
            } else if (value == "scn" || value == "SCN") {
                // A tiling pattern runs its own content.
                QPDFObjectHandle pattern = resource(resources, "/Pattern", lastName);
                if (pattern.isStream()) {
                    const std::optional<Cost> drawn = formCost(pattern, resources, depth + 1);
                    if (!drawn)
                        return std::nullopt;
                    cost.add(*drawn, m_limits);
                }
            }
            if (paints(value))
                ++cost.paints;
            lastName.clear();
        }
    }

    TDPdfLimits m_limits;
    size_t m_bytes = 0;
    std::map<QPDFObjGen, Cost> m_forms;
    std::set<QPDFObjGen> m_drawing;
    QString m_reason;
};

} // namespace

bool TDPdfPicture::withinLimits(const QByteArray &pdf, const TDPdfLimits &limits, QString *error)
{
    const auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (size_t(pdf.size()) > limits.streamBytes)
        return fail(QStringLiteral("its data is longer than %1 bytes.").arg(limits.streamBytes));
    try {
        QPDF document;
        document.setSuppressWarnings(true);
        document.processMemoryFile("picture", pdf.constData(), size_t(pdf.size()));
        const std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(document).getAllPages();
        if (pages.empty())
            return fail(QStringLiteral("it has no page."));
        PageCheck check(limits);
        if (!check.check(pages.front()))
            return fail(check.reason());
        return true;
    } catch (const std::exception &e) {
        return fail(QStringLiteral("it cannot be read (%1).").arg(QString::fromUtf8(e.what())));
    }
}

} // namespace scrivane
