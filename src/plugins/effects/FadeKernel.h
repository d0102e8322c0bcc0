#pragma once

#include "platform/effects/EffectRect.h"
#include "platform/effects/FloatRaster.h"

namespace scrivane {

// The fade of the reflection, applied to the input before it is mirrored.
// `pixel` is the premultiplied input pixel at `where` (effect space); the
// reflection keeps the part of the input within `offset` of its far edge
// (threshold = input height − offset) and fades it out towards the threshold:
//
//     u = clamp((where.y − threshold) / slope, 0, 1),   pixel × u²
//
// so the reflection is strongest next to the mirror line (full when offset
// and slope are equal), rises gently from nothing at `offset` away from it
// (the square gives a soft tail instead of a visible cut-off line), and a
// smaller slope makes it reach full strength sooner.  Pixels beyond the
// threshold vanish.  The slope must be above 0; the reflection skips the fade
// otherwise.
void fadeKernel(Rgba &pixel, EffectPoint where, double slope, double threshold);

} // namespace scrivane
