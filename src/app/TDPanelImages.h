#pragma once

#include <QImage>
#include <QString>

namespace scrivane {

// The pictures of the panels, looked up by name: the palettes' title strip
// ("panel titlebar"), close button ("close_blue", "close_blue_over",
// "close_blue_highlight") and height grip ("resize"); the layers panel's
// header pictures ("layers_editing", "layers_visible", "layers_lock") and
// row states ("layer-primary", "layer-selected", "layer-partial",
// "layer-editing").  Each is drawn once and kept for the process; an
// unknown name answers a null image.
class TDPanelImages {
public:
    static QImage imageNamed(const QString &name);
};

} // namespace scrivane
