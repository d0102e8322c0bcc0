#pragma once

// Building blocks for property lists made by hand in tests: archives with
// structures no writer of ours produces.  Each returns a new libplist node
// that the container it is put into takes over.

#include <QByteArray>

#include <plist/plist.h>

#include <cstdint>
#include <initializer_list>
#include <utility>

namespace scrivane::handbuilt {

inline plist_t str(const char *s)
{
    return plist_new_string(s);
}

inline plist_t uid(uint64_t n)
{
    return plist_new_uid(n);
}

inline plist_t array(std::initializer_list<plist_t> items)
{
    plist_t a = plist_new_array();
    for (plist_t item : items)
        plist_array_append_item(a, item);
    return a;
}

inline plist_t dict(std::initializer_list<std::pair<const char *, plist_t>> items)
{
    plist_t d = plist_new_dict();
    for (const auto &[key, item] : items)
        plist_dict_set_item(d, key, item);
    return d;
}

// The class description of a keyed archive for a class of that name.
inline plist_t description(const char *name)
{
    return dict({{"$classname", str(name)}, {"$classes", array({str(name)})}});
}

// The binary list of `top`, which is freed.
inline QByteArray binaryList(plist_t top)
{
    char *bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(top, &bytes, &length);
    QByteArray result(bytes, qsizetype(length));
    plist_to_bin_free(bytes);
    plist_free(top);
    return result;
}

} // namespace scrivane::handbuilt
