// The formatting of the names: loading the fields of the second page from a
// host paragraph style, the rules between the type-style boxes, reading the
// fields into the run fields, and the commands that format one selected name.
#include <cmath>
#include <optional>

#include "platform/exception.h"
#include "platform/locale.h"
#include "platform/scope_exit.h"
#include "workbench/messages.h"
#include "workbench/rolemark.h"

namespace workbench {

void TRolemark::LoadTargetStyle() {
    const ScopeExit closeLink([this] { PmDDE1.CloseLink(); });
    PmDDE1.OpenLink();
    const int selected = TargetStyleCombo.ItemIndex();
    fieldsStyle_ = selected;
    PmDDE1.StyleBegin(selected >= 0 ? TargetStyleCombo.Item(selected) : std::string());
    try {
        ReadTargetStyle();
    } catch (...) {
        // Leave the style's definition while the link still carries commands,
        // or the next run's formatting would change the style instead of the
        // names; the first failure is the one reported.
        try {
            PmDDE1.StyleEnd();
        } catch (...) {
        }
        throw;
    }
    PmDDE1.StyleEnd();
}

void TRolemark::ReadTargetStyle() {
    std::string font;
    PmDDE1.GetFont(font);
    FontCombo.SetItemIndex(FontCombo.IndexOf(font));

    SizeEdit.SetValue(PmDDE1.GetSize());

    const int32_t track = PmDDE1.GetTrack();
    TrackingCombo.SetItemIndex(track >= 0 && track < TrackingCombo.Count() ? track : -1);

    // -1 is automatic leading: 120 % of the size as the size field shows it.
    const float leading = PmDDE1.GetLeading();
    LeadingEdit.SetValue(leading == -1.0f ? SizeEdit.Value() * 1.2 : leading);

    WidthEdit.SetValue(PmDDE1.GetWidth());

    float r1 = 0, r2 = 0, r3 = 0, r4 = 0, shift = 0;
    uint8_t b6 = 0;
    PmDDE1.GetTypeOptions(r1, r2, r3, r4, shift, b6);
    BaseShiftEdit.SetValue(shift * 0.1);
}

// The type-style rules act only on the user's own clicks: a box changed by
// another rule, or by the program, is not the focused control.

void TRolemark::NormalCheckClick() {
    if (ActiveControl != &NormalCheck) return;
    BoldCheck.SetChecked(false);
    ItalicCheck.SetChecked(false);
}

void TRolemark::BoldCheckClick() {
    if (ActiveControl != &BoldCheck) return;
    NormalCheck.SetChecked(false);
}

void TRolemark::ItalicCheckClick() {
    if (ActiveControl != &ItalicCheck) return;
    NormalCheck.SetChecked(false);
}

void TRolemark::ReadRunFields() {
    // In page order, so that the field named is the first bad one the user
    // meets. Nothing is taken until all of them read.
    const double size = ReadField(SizeEdit, Label4);
    const double kerning = ReadField(KerningEdit, Label5);
    const double width = ReadField(WidthEdit, Label8);
    const double shift = ReadField(BaseShiftEdit, Label9);
    FKern = static_cast<float>(kerning);
    FFontName = FontCombo.Text();
    FSize = static_cast<float>(size);
    FTrack = TrackingCombo.ItemIndex();
    FWidth = static_cast<float>(width);
    FShift = static_cast<float>(std::fabs(shift));
    FShiftNegative = shift < 0;
    FBold = BoldCheck.Checked();
    FItalic = ItalicCheck.Checked();
}

double TRolemark::ReadField(SpinEdit& field, const Label& caption) {
    if (const std::optional<double> value = field.Read()) return *value;
    view_.FocusControl(field);
    throw Exception(text::NotANumber(caption.Caption(), platform::AnsiToUtf8(field.Text())));
}

// The leading field is not applied: the name takes its paragraph's leading.
void TRolemark::ApplyNameFormat() {
    PmDDE1.KernText(FKern);
    PmDDE1.Font(FFontName);
    PmDDE1.Size(FSize);
    PmDDE1.Track(FTrack);
    PmDDE1.SetWidth(FWidth);
    // Normal first, then bold and italic as the boxes said when the run began.
    PmDDE1.TypeStyle(0);
    if (FBold) PmDDE1.TypeStyle(1);
    if (FItalic) PmDDE1.TypeStyle(2);
    PmDDE1.TypeOptions(-2, -2, -2, -2, FShift, FShiftNegative ? 1 : 0);
}

}  // namespace workbench
