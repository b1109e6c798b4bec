// The main window: its background, logo, buttons, fields and progress bar.
#include <cmath>
#include <numbers>

#include "tools/skin-art/art_sets.h"
#include "tools/skin-art/brand_mark.h"

namespace skin_art {

namespace {

constexpr double kTau = 2 * std::numbers::pi;
const Font kLabelFont{kCjkFamily, 14};

void SaveBackground(const SkinWriter& writer) {
    constexpr int kWidth = 600;
    constexpr int kHeight = 400;
    Canvas canvas(kWidth, kHeight, /*opaque=*/true);
    cairo_t* cr = canvas.cr();
    SetLinearGradient(cr, 0, 0, 0, kHeight, palette::kWhite, Rgb(0xF5F8FF));
    cairo_paint(cr);

    // Faint brand-blue discs bleeding in from the top-right corner. Their edges stay right of
    // x=450 below the title band, so the controls in the middle sit on a calm ground.
    struct Disc {
        double x, y, radius, alpha;
    };
    for (const Disc& disc :
         {Disc{590, -30, 150, 0.05}, Disc{500, -85, 112, 0.04}, Disc{645, 125, 118, 0.06}}) {
        cairo_new_path(cr);
        cairo_arc(cr, disc.x, disc.y, disc.radius, 0, kTau);
        SetColour(cr, Colour{palette::kBlue.r, palette::kBlue.g, palette::kBlue.b, disc.alpha});
        cairo_fill(cr);
    }

    // Hairline under the 45px title band.
    cairo_rectangle(cr, 0, 44, kWidth, 1);
    SetColour(cr, palette::kFillGrey);
    cairo_fill(cr);

    writer.Save(canvas, "res/mainWnd/bg1.png");
    // The window swaps backgrounds per page; they are meant to be the same picture for now.
    writer.Duplicate("res/mainWnd/bg1.png", "res/mainWnd/bg2.png");
    writer.Duplicate("res/mainWnd/bg1.png", "res/mainWnd/bg3.png");
    writer.Duplicate("res/mainWnd/bg1.png", "res/mainWnd/bg4.png");
}

void SaveLogo(const SkinWriter& writer) {
    constexpr int kWidth = 263;
    constexpr int kHeight = 50;
    constexpr int kMarkSize = 44;
    constexpr int kGap = 12;
    Canvas canvas(kWidth, kHeight);
    cairo_t* cr = canvas.cr();
    TextLine word(cr, "Collivo", Font{kLatinFamily, 30, true});

    const double groupWidth = kMarkSize + kGap + word.advance();
    const double left = std::round((kWidth - groupWidth) / 2);
    DrawBrandMark(cr, left, (kHeight - kMarkSize) / 2, kMarkSize, 11);
    word.DrawLeft(left + kMarkSize + kGap, kHeight / 2.0, Rgb(0x1E2A4A));
    writer.Save(canvas, "res/mainWnd/logo.png");
}

void SaveBackButton(const SkinWriter& writer, Colour colour, const std::string& relativePath) {
    constexpr int kWidth = 64;
    constexpr int kHeight = 30;
    constexpr double kChevronWidth = 5;
    constexpr double kGap = 5;
    Canvas canvas(kWidth, kHeight);
    cairo_t* cr = canvas.cr();
    TextLine label(cr, "返回", kLabelFont);

    const double left = std::round((kWidth - kChevronWidth - kGap - label.advance()) / 2);
    constexpr double kMiddle = kHeight / 2.0;
    StrokePolyline(cr,
                   {{left + kChevronWidth, kMiddle - 4.5},
                    {left, kMiddle},
                    {left + kChevronWidth, kMiddle + 4.5}},
                   1.6, colour);
    label.DrawLeft(left + kChevronWidth + kGap, kMiddle, colour);
    writer.Save(canvas, relativePath);
}

void SaveCheckBoxes(const SkinWriter& writer) {
    // The box is 13x13 at (1, 0) inside a 15x14 cell, so its 1px border falls on whole pixels.
    constexpr double kX = 1;
    constexpr double kY = 0;
    constexpr double kSize = 13;
    {
        Canvas canvas(15, 14);
        RoundedBox(canvas.cr(), kX, kY, kSize, kSize, 3, palette::kWhite, Rgb(0xB8C1D3), 1);
        writer.Save(canvas, "res/mainWnd/Cb1.png");
    }
    {
        Canvas canvas(15, 14);
        cairo_t* cr = canvas.cr();
        RoundedBox(cr, kX, kY, kSize, kSize, 3, palette::kBlue, {}, 0);
        StrokePolyline(cr, {{4.4, 6.6}, {6.7, 8.9}, {10.8, 4.4}}, 1.8, palette::kWhite);
        writer.Save(canvas, "res/mainWnd/Cb2.png");
    }
}

void SaveBrowseButton(const SkinWriter& writer, Colour fill, Colour border, Colour text,
                      const std::string& relativePath) {
    Canvas canvas(81, 36);
    RoundedBox(canvas.cr(), 0, 0, 81, 36, 4, fill, border, 1);
    TextLine label(canvas.cr(), "浏览", kLabelFont);
    label.DrawCentred(81 / 2.0, 36 / 2.0, text);
    writer.Save(canvas, relativePath);
}

void SaveDisclosureChevron(const SkinWriter& writer, Colour colour,
                           const std::string& relativePath) {
    Canvas canvas(16, 16);
    StrokePolyline(canvas.cr(), {{6.2, 4.5}, {9.8, 8}, {6.2, 11.5}}, 1.5, colour);
    writer.Save(canvas, relativePath);
}

void SaveFinished(const SkinWriter& writer) {
    Canvas canvas(80, 80);
    cairo_t* cr = canvas.cr();
    // A faint halo just outside the disc softens its edge against the white page.
    cairo_arc(cr, 40, 40, 39.25, 0, kTau);
    SetColour(cr, Colour{palette::kBlue.r, palette::kBlue.g, palette::kBlue.b, 0.12});
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);

    cairo_arc(cr, 40, 40, 38, 0, kTau);
    SetLinearGradient(cr, 2, 2, 78, 78, palette::kBlueLight, palette::kBluePressed);
    cairo_fill(cr);
    StrokePolyline(cr, {{24.5, 41}, {35, 51.5}, {56, 30.5}}, 6, palette::kWhite);
    writer.Save(canvas, "res/mainWnd/finished.png");
}

void SaveInstallButton(const SkinWriter& writer, Colour top, Colour bottom,
                       const std::string& relativePath) {
    Canvas canvas(200, 46);
    cairo_t* cr = canvas.cr();
    RoundedRectPath(cr, 0, 0, 200, 46, 6);
    SetLinearGradient(cr, 0, 0, 0, 46, top, bottom);
    cairo_fill(cr);
    writer.Save(canvas, relativePath);
}

void SaveFields(const SkinWriter& writer) {
    {
        Canvas canvas(340, 36);
        RoundedBox(canvas.cr(), 0, 0, 340, 36, 4, palette::kWhite, palette::kBorder, 1);
        writer.Save(canvas, "res/mainWnd/installDirEdit.png");
    }
    {
        Canvas canvas(520, 8);
        RoundedBox(canvas.cr(), 0, 0, 520, 8, 4, palette::kFillGrey, {}, 0);
        writer.Save(canvas, "res/mainWnd/installPrg1.png");
    }
    {
        Canvas canvas(520, 8);
        cairo_t* cr = canvas.cr();
        RoundedRectPath(cr, 0, 0, 520, 8, 4);
        SetLinearGradient(cr, 0, 0, 520, 0, palette::kBlueLighter, palette::kBlue);
        cairo_fill(cr);
        writer.Save(canvas, "res/mainWnd/installPrg2.png");
    }
}

void SaveAgreementTip(const SkinWriter& writer) {
    constexpr int kWidth = 120;
    constexpr int kBodyHeight = 30;
    constexpr int kHeight = 36;
    constexpr double kPointerX = 16;  // over the agreement check box below the tip
    constexpr double kPadding = 8;
    Canvas canvas(kWidth, kHeight);
    cairo_t* cr = canvas.cr();

    // Body and pointer are drawn opaque into one group and then faded together, so the seam
    // where they overlap does not show up darker.
    cairo_push_group(cr);
    RoundedRectPath(cr, 0, 0, kWidth, kBodyHeight, 4);
    cairo_move_to(cr, kPointerX - 6, kBodyHeight - 1);
    cairo_line_to(cr, kPointerX + 6, kBodyHeight - 1);
    cairo_line_to(cr, kPointerX, kHeight);
    cairo_close_path(cr);
    SetColour(cr, Rgb(0x2E3446));
    cairo_fill(cr);
    cairo_pop_group_to_source(cr);
    cairo_paint_with_alpha(cr, 0.92);

    const Font font{kCjkFamily, 12};
    TextLine full(cr, "请先同意用户协议", font);
    if (full.advance() <= kWidth - 2 * kPadding) {
        full.DrawCentred(kWidth / 2.0, kBodyHeight / 2.0, palette::kWhite);
    } else {
        TextLine shorter(cr, "请勾选同意协议", font);
        shorter.DrawCentred(kWidth / 2.0, kBodyHeight / 2.0, palette::kWhite);
    }
    writer.Save(canvas, "res/mainWnd/tipLbl.png");
}

}  // namespace

void WriteMainWindowArt(const SkinWriter& writer) {
    SaveBackground(writer);
    SaveLogo(writer);

    SaveBackButton(writer, palette::kTextMid, "res/mainWnd/backBtn1.png");
    SaveBackButton(writer, palette::kBlue, "res/mainWnd/backBtn2.png");
    SaveBackButton(writer, palette::kBluePressed, "res/mainWnd/backBtn3.png");

    SaveCheckBoxes(writer);

    // The hot and pushed names really are "chDirBt", without the n; the layouts ask for them so.
    SaveBrowseButton(writer, palette::kWhite, Rgb(0xC9D2E3), palette::kTextDark,
                     "res/mainWnd/chDirBtn1.png");
    SaveBrowseButton(writer, palette::kWhite, palette::kBlue, palette::kBlue,
                     "res/mainWnd/chDirBt2.png");
    SaveBrowseButton(writer, Rgb(0xEAF2FF), palette::kBluePressed, palette::kBluePressed,
                     "res/mainWnd/chDirBt3.png");

    SaveDisclosureChevron(writer, palette::kTextMid, "res/mainWnd/customeBtn1.png");
    SaveDisclosureChevron(writer, palette::kTextDark, "res/mainWnd/customeBtn2.png");

    SaveFinished(writer);

    SaveInstallButton(writer, Rgb(0x2A83FE), palette::kBlue, "res/mainWnd/installBtn1.png");
    SaveInstallButton(writer, palette::kBlueLighter, palette::kBlueLight,
                      "res/mainWnd/installBtn2.png");
    SaveInstallButton(writer, palette::kBluePressed, Rgb(0x1159C4), "res/mainWnd/installBtn3.png");

    SaveFields(writer);
    SaveAgreementTip(writer);
}

}  // namespace skin_art
