#pragma once

#include <QMap>
#include <QRect>
#include <QString>
#include <QStringList>

#include <vector>

namespace scrivane {

// Where snapping palettes go, as pure functions of their frames, so that
// the rules can be checked without a window system.  Frames are in screen
// coordinates with y growing downwards (Qt's); a chain hangs downwards from
// its top palette, each palette's top edge on the bottom edge of the one
// above it.
//
// A palette of the list is described by its frame, whether it is shown,
// and the indexes of the palette it hangs under (parent) and of the one
// hanging under it (child), -1 for none.  The functions never follow more
// links than there are palettes, so a damaged list cannot loop them.
class TDSnapGeometry {
public:
    // Height of a palette's own title strip; a rolled-up palette is this high.
    static constexpr int TitleHeight = 16;
    // A palette snaps when the facing edges are less than this far apart...
    static constexpr int SnapDistance = 10;
    // ...and their centres less than this apart horizontally.
    static constexpr int CentreTolerance = 30;

    struct Palette {
        QRect frame;
        bool visible = true;
        int parent = -1;
        int child = -1;
    };

    // The area of the chain from palette `index` down (its frame united
    // with those of its child, the child's child, ...).
    static QRect chainFrame(const std::vector<Palette> &palettes, int index);
    // Whether `candidate` is `index` or hangs somewhere below it.
    static bool inChainBelow(const std::vector<Palette> &palettes, int index, int candidate);

    // The frame moved so that the palette and the chain below it stay
    // inside the screen area: the top edge wins over the bottom, the right
    // edge over the left.  `chainBelow` is the height of the chain hanging
    // under the palette (0 without a child).
    static QRect keepInside(const QRect &frame, const QRect &area, int chainBelow);

    // What a palette dropped at `frame` does.
    struct Snap {
        QPoint origin;         // where the palette goes
        int hangUnder = -1;    // the palette it now hangs under
        bool leaveParent = false; // it was moved away from its parent
        int restOn = -1;       // the palette its chain now rests on
    };
    // The palette `index` was moved to `frame` (inside `area` unless
    // `free`, when it is neither kept inside nor snapped; a palette hanging
    // under another is not pushed up by the screen's bottom edge, which is
    // its chain's top palette's business).  It hangs under
    // the first shown palette (list order) whose bottom edge is within
    // SnapDistance of its top edge and whose centre is within
    // CentreTolerance, when that one has no child yet or has it as its
    // child; otherwise its chain rests on the first palette whose top edge
    // meets the chain's bottom edge the same way and that hangs under
    // nothing.  Palettes of its own chain are never candidates: a chain
    // never closes into a ring.
    static Snap snap(const std::vector<Palette> &palettes, int index, const QRect &frame, const QRect &area,
                     bool free = false);

    // The heights a palette passes through when it rolls from `from` to
    // `to`: two intermediate steps of a third of the way, then `to`
    // exactly.  Only `to` when there is nothing to roll.
    static std::vector<int> rollSteps(int from, int to);

    // The height after dragging the grip by `dy` (downwards positive) from
    // `height`, held between the limits.
    static int resizedHeight(int height, int dy, int minimum, int maximum);

    // The chains to restore at launch.  `names` and `frames` describe the
    // palettes sorted from the top of the screen down; `links` maps a
    // palette's name to the name of the palette it hangs under.  A parent
    // takes only the first palette (from the top down) that names it; a
    // link to a palette that does not exist, to itself, or one that would
    // close a ring, is dropped.  Answers, per palette, the index of its
    // parent (-1 for none) and its frame: each chain laid out from its top
    // palette down, a child at its parent's left edge, touching it.
    struct Restored {
        std::vector<int> parents;
        std::vector<QRect> frames;
    };
    static Restored restoreChains(const QStringList &names, const std::vector<QRect> &frames,
                                  const QMap<QString, QString> &links);
};

} // namespace scrivane
