#pragma once

#include "platform/Geometry.h"
#include "platform/PropertyList.h"

namespace scrivane {

// The print settings a document keeps: paper size and margins in points,
// orientation and pagination, stored in the document dictionary under
// "PrintInfo" with the keys of the classic print-info dictionary.  Keys
// this class does not use are kept and written back.
class TDPrintInfo {
public:
    enum Pagination { AutoPagination = 0, FitPagination = 1, ClipPagination = 2 };

    // A4 with the whole sheet imageable, unless the application set
    // another default (from its printer).
    TDPrintInfo();
    static TDPrintInfo defaultPrintInfo();
    static void setDefaultPrintInfo(const TDPrintInfo &info);

    Size paperSize() const { return m_paperSize; }
    // Sizes that are not positive and finite, or above 100,000 points, are
    // refused (false).
    bool setPaperSize(Size size);
    float leftMargin() const { return m_left; }
    float rightMargin() const { return m_right; }
    float topMargin() const { return m_top; }
    float bottomMargin() const { return m_bottom; }
    // Margins are at least 0 and leave at least one point of paper.
    void setMargins(float left, float right, float top, float bottom);
    // The margins from an imageable area of the paper.
    void setImageableBounds(const Rect &bounds);
    int orientation() const { return m_orientation; }
    void setOrientation(int orientation) { m_orientation = orientation == 1 ? 1 : 0; }
    int horizontalPagination() const { return m_horizontalPagination; }
    int verticalPagination() const { return m_verticalPagination; }
    void setHorizontalPagination(int pagination);
    void setVerticalPagination(int pagination);

    // "NSPaperSize" is the text "{w, h}"; the margins "NSLeftMargin", ...
    PropertyList dictionary() const;
    // Reads what is valid and keeps the defaults for the rest.  The paper
    // size may be a size text or an array of two numbers.
    static TDPrintInfo fromDictionary(const PropertyList &dictionary);

    // The same stored form.
    friend bool operator==(const TDPrintInfo &a, const TDPrintInfo &b)
    {
        return a.dictionary() == b.dictionary();
    }

private:
    void clampMargins();

    Size m_paperSize{595, 842};
    float m_left = 0;
    float m_right = 0;
    float m_top = 0;
    float m_bottom = 0;
    int m_orientation = 0;
    int m_horizontalPagination = AutoPagination;
    int m_verticalPagination = AutoPagination;
    PropertyList m_other;
};

} // namespace scrivane
