// The calculator window's template: every control with its identifier, kind
// and place in dialog units, and the conversion of dialog units to pixels.
#pragma once

#include <QFont>
#include <QRect>

class QLabel;

enum class controlkind {
    display,  // the multi-line display
    frame,    // a group box without text
    radiobutton,
    checkbox,
    indicator,  // a centred, sunken static text
    pushbutton,
};

struct controlplace {
    int id;  // -1 for the frames, which nothing refers to
    controlkind kind;
    int x, y, width, height;
};

constexpr int TEMPLATE_WIDTH = 340;
constexpr int TEMPLATE_HEIGHT = 205;

// The 71 controls in tab order. The text of every key control is its key
// button text (calc/keys.h); the others have none.
extern const controlplace calculatortemplate[];
extern const int calculatortemplatecount;

constexpr int DISPLAY_ID = 1000;
constexpr int PARENS_ID = 1066;
constexpr int MEMORY_ID = 1067;

// Dialog units of a font: 4 horizontal units are the average width of the
// letters "A".."Z", "a".."z", and 8 vertical units the font's height, so a
// layout scales with the font (and with the screen's pixel density, which
// the font follows).
class dialogunits {
public:
    explicit dialogunits(const QFont& font);

    // A place in units as pixels. Edges are rounded, not sizes, so controls
    // that touch in units touch on the screen.
    QRect map(int x, int y, int width, int height) const;
    int mapx(int x) const;
    int mapy(int y) const;

private:
    double m_unitx;  // pixels per unit
    double m_unity;
};

// Places a static text at its place in units, at the top left as a dialog's
// static text stands. The template's widths were measured with another
// font: where the window's font draws the text wider, the control grows to
// the right, so no text is cut off.
void placestatic(QLabel* label, const dialogunits& units, int x, int y, int width, int height);

// The context help identifier of a control of the calculator window; 0 for
// the controls that have none.
unsigned helpidof(int id);
