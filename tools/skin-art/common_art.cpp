// The title-bar buttons and the message box icons.
#include <numbers>

#include "tools/skin-art/art_sets.h"

namespace skin_art {

namespace {

constexpr double kTau = 2 * std::numbers::pi;
constexpr int kTitleButtonSize = 24;

enum class TitleGlyph { kClose, kMinimise };

struct TitleButtonLook {
    bool filled;  // normal state has no backdrop, hot and pushed do
    Colour fill;
    Colour glyph;
};

void DrawTitleButton(Canvas& canvas, TitleGlyph glyph, const TitleButtonLook& look) {
    cairo_t* cr = canvas.cr();
    if (look.filled) {
        RoundedRectPath(cr, 0, 0, kTitleButtonSize, kTitleButtonSize, 4);
        SetColour(cr, look.fill);
        cairo_fill(cr);
    }
    constexpr double kCentre = kTitleButtonSize / 2.0;
    if (glyph == TitleGlyph::kClose) {
        // Arms of 4.6px from the centre: with the round caps the cross is about 10px across.
        constexpr double kArm = 4.6;
        StrokePolyline(cr, {{kCentre - kArm, kCentre - kArm}, {kCentre + kArm, kCentre + kArm}},
                       1.5, look.glyph);
        StrokePolyline(cr, {{kCentre - kArm, kCentre + kArm}, {kCentre + kArm, kCentre - kArm}},
                       1.5, look.glyph);
    } else {
        // As heavy as the cross's 1.5px strokes, but with one solid row and one half-covered
        // row above it: centred on the half pixel it would smear into two grey rows.
        cairo_rectangle(cr, kCentre - 5, kCentre - 0.5, 10, 1.5);
        SetColour(cr, look.glyph);
        cairo_fill(cr);
    }
}

void SaveTitleButton(const SkinWriter& writer, TitleGlyph glyph, const TitleButtonLook& look,
                     const std::string& relativePath) {
    Canvas canvas(kTitleButtonSize, kTitleButtonSize);
    DrawTitleButton(canvas, glyph, look);
    writer.Save(canvas, relativePath);
}

constexpr int kDialogIconSize = 40;
constexpr double kDialogIconCentre = kDialogIconSize / 2.0;
constexpr double kDialogIconRadius = 19;

void FillCircle(cairo_t* cr, double x, double y, double radius, Colour colour) {
    cairo_new_path(cr);
    cairo_arc(cr, x, y, radius, 0, kTau);
    SetColour(cr, colour);
    cairo_fill(cr);
}

void SaveSymbolIcon(const SkinWriter& writer, Colour disc, const char* symbol,
                    const std::string& relativePath) {
    Canvas canvas(kDialogIconSize, kDialogIconSize);
    FillCircle(canvas.cr(), kDialogIconCentre, kDialogIconCentre, kDialogIconRadius, disc);
    TextLine mark(canvas.cr(), symbol, Font{kLatinFamily, 24, true});
    mark.DrawCentred(kDialogIconCentre, kDialogIconCentre, palette::kWhite);
    writer.Save(canvas, relativePath);
}

void SaveNetworkIcon(const SkinWriter& writer) {
    Canvas canvas(kDialogIconSize, kDialogIconSize);
    cairo_t* cr = canvas.cr();
    FillCircle(cr, kDialogIconCentre, kDialogIconCentre, kDialogIconRadius, Rgb(0xE8F1FF));

    // Signal waves fan out upwards from the dot, a quarter turn each.
    constexpr double kBaseX = 20;
    constexpr double kBaseY = 26.5;
    cairo_set_line_width(cr, 2.4);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    SetColour(cr, palette::kBlue);
    for (const double radius : {5.5, 10.0, 14.5}) {
        cairo_new_path(cr);
        cairo_arc(cr, kBaseX, kBaseY, radius, -0.75 * std::numbers::pi, -0.25 * std::numbers::pi);
        cairo_stroke(cr);
    }
    FillCircle(cr, kBaseX, kBaseY, 2.2, palette::kBlue);

    // The badge sits in a transparent moat so it reads as lying on top of the disc.
    constexpr double kBadgeX = 31.5;
    constexpr double kBadgeY = 31.5;
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    FillCircle(cr, kBadgeX, kBadgeY, 8.5, palette::kWhite);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    FillCircle(cr, kBadgeX, kBadgeY, 7, palette::kWarning);
    TextLine mark(cr, "!", Font{kLatinFamily, 11, true});
    mark.DrawCentred(kBadgeX, kBadgeY, palette::kWhite);
    writer.Save(canvas, "res/MessageBoxWnd/icoNetwork.png");
}

}  // namespace

void WriteCommonArt(const SkinWriter& writer) {
    const TitleButtonLook normal{false, {}, palette::kMuted};
    const TitleButtonLook hot{true, Rgb(0xE8EDF7), palette::kTextDark};
    const TitleButtonLook pushed{true, Rgb(0xD5DDEC), palette::kTextDark};
    SaveTitleButton(writer, TitleGlyph::kClose, normal, "res/common/closebtn1.png");
    SaveTitleButton(writer, TitleGlyph::kClose, hot, "res/common/closebtn2.png");
    SaveTitleButton(writer, TitleGlyph::kClose, pushed, "res/common/closebtn3.png");
    SaveTitleButton(writer, TitleGlyph::kMinimise, normal, "res/common/minbtn1.png");
    SaveTitleButton(writer, TitleGlyph::kMinimise, hot, "res/common/minbtn2.png");
    SaveTitleButton(writer, TitleGlyph::kMinimise, pushed, "res/common/minbtn3.png");

    // Message windows close on red, the usual "this dismisses" cue.
    const TitleButtonLook dialogHot{true, Rgb(0xF0484A), palette::kWhite};
    const TitleButtonLook dialogPushed{true, Rgb(0xD63B3D), palette::kWhite};
    SaveTitleButton(writer, TitleGlyph::kClose, normal, "res/common/closebtnM_1.png");
    SaveTitleButton(writer, TitleGlyph::kClose, dialogHot, "res/common/closebtnM_2.png");
    SaveTitleButton(writer, TitleGlyph::kClose, dialogPushed, "res/common/closebtnM_3.png");
}

void WriteMessageBoxArt(const SkinWriter& writer) {
    SaveSymbolIcon(writer, palette::kBlue, "?", "res/MessageBoxWnd/icoQuest.png");
    SaveSymbolIcon(writer, palette::kWarning, "!", "res/MessageBoxWnd/icoWarn.png");
    SaveNetworkIcon(writer);
}

}  // namespace skin_art
