#pragma once

#include <QString>
#include <QStringView>

#include <memory>
#include <vector>

struct _HyphenDict;

namespace scrivane {

// Where words may be broken with a hyphen, from the hyphenation patterns
// installed for the system's text tools (libhyphen's dictionaries under
// the XDG data folders' "hyphen", e.g. /usr/share/hyphen/hyph_en_US.dic).
//
// A word is a run of letters; what the patterns answer is kept only where
// at least two letters stay before the hyphen and three after it, so that
// no line ends or starts with a lone letter.  Non-standard breaks (those
// that change the spelling) are not offered.  Read-only after loading:
// one dictionary may be asked from any thread.
class Hyphenator {
public:
    ~Hyphenator();
    Hyphenator(const Hyphenator &) = delete;
    Hyphenator &operator=(const Hyphenator &) = delete;

    // The dictionary of a file; null when it cannot be read.
    static std::unique_ptr<Hyphenator> load(const QString &path);
    // The dictionary for a language ("de_CH", "de", ...; the system's
    // locale when empty), else the American English one; loaded once and
    // kept for the life of the process.  Null when none is installed.
    static const Hyphenator *forLanguage(const QString &language = QString());

    // The offsets (in UTF-16 units, ascending) after which `word` may be
    // broken; none for words that are not all letters.
    std::vector<int> breaks(QStringView word) const;

    static constexpr int MinimumBefore = 2;
    static constexpr int MinimumAfter = 3;
    // Longer words are not looked at (the patterns' buffers are bounded).
    static constexpr int MaximumWord = 100;

private:
    explicit Hyphenator(_HyphenDict *dictionary) : m_dictionary(dictionary) {}
    _HyphenDict *m_dictionary;
};

} // namespace scrivane
