#pragma once

namespace scrivane {

// Registers the model's classes with the keyed unarchiver under their
// stored names ("TDGraphic", "TDGroup", "TDLayer", the styles, ...).  Safe to
// call more than once; readers of documents call it before unarchiving.
class TDModelArchiving {
public:
    static void registerClasses();
};

} // namespace scrivane
