#pragma once

#include <QMetaType>

namespace quillary {

// How large the control shows its document: fitted to the width of the view, a whole page in
// view, or a percentage of its actual size (50 to 400).
struct Zoom
{
    enum Mode { FitWidth, FitPage, Percent };

    Mode mode = FitWidth;
    int percent = 100; // with Percent

    static constexpr int MinPercent = 50;
    static constexpr int MaxPercent = 400;

    static Zoom fitWidth() { return {FitWidth, 100}; }
    static Zoom fitPage() { return {FitPage, 100}; }
    // Clamped to MinPercent..MaxPercent.
    static Zoom at(int percent)
    {
        return {Percent, percent < MinPercent   ? MinPercent
                         : percent > MaxPercent ? MaxPercent
                                                : percent};
    }

    bool operator==(const Zoom &other) const
    {
        return mode == other.mode && (mode != Percent || percent == other.percent);
    }
    bool operator!=(const Zoom &other) const { return !(*this == other); }
};

} // namespace quillary

Q_DECLARE_METATYPE(quillary::Zoom)
