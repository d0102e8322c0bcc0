#pragma once

// Category names of filters.  The effects panel groups its menu by them; the
// drawing code reads Generator, Gradient, CompositeOperation, Transition,
// NonSquarePixels (effects that do not depend on the shape of pixels and may
// run on an image fill's own pixels) and VectorComposite (filters that can
// leave the graphic's vector artwork to be drawn over their result).
namespace scrivane::FilterCategory {

inline constexpr const char *GeometryAdjustment = "GeometryAdjustment";
inline constexpr const char *DistortionEffect = "DistortionEffect";
inline constexpr const char *Blur = "Blur";
inline constexpr const char *Sharpen = "Sharpen";
inline constexpr const char *ColorAdjustment = "ColorAdjustment";
inline constexpr const char *ColorEffect = "ColorEffect";
inline constexpr const char *Stylize = "Stylize";
inline constexpr const char *HalftoneEffect = "HalftoneEffect";
inline constexpr const char *TileEffect = "TileEffect";
inline constexpr const char *Generator = "Generator";
inline constexpr const char *Gradient = "Gradient";
inline constexpr const char *CompositeOperation = "CompositeOperation";
inline constexpr const char *Transition = "Transition";
inline constexpr const char *NonSquarePixels = "NonSquarePixels";
inline constexpr const char *Video = "Video";
inline constexpr const char *StillImage = "StillImage";
inline constexpr const char *BuiltIn = "BuiltIn";
inline constexpr const char *VectorComposite = "QVVectorComposite";

} // namespace scrivane::FilterCategory
