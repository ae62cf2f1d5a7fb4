#pragma once

#include <QColor>
#include <QFlags>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QUuid>

#include "model/Palette.h"

#include <array>
#include <optional>

// Every enumeration is stored and exchanged by its raw value: the case name as a string.

enum class EditorTool {
    select,
    pen,
    highlighter,
    line,
    arrow,
    rect,
    ellipse,
    stamp,
    dot,
    check,
    blur,
    redact,
    text,
    crop,
    polygon,
    image
};

enum class DotStyle { solid, hollow };

enum class StampCategory { general, security, access, cameras, fire, network, circuit };

enum class StampType {
    numberCircle,
    checkMark,
    checkBox,
    checkCircle,
    circleSlash,
    doorContact,
    motionDetector,
    glassBreak,
    keypad,
    siren,
    panicButton,
    alarmPanel,
    beamSensor,
    accessReader,
    accessDoor,
    maglock,
    strike,
    rimStrike,
    button,
    rex,
    biometric,
    intercom,
    turnstile,
    ept,
    cameraBox,
    camera360,
    cameraDome,
    cameraPTZ,
    cameraBullet,
    cameraThermal,
    smokeDetector,
    heatDetector,
    pullStation,
    hornStrobe,
    facp,
    sprinkler,
    fireExtinguisher,
    rack,
    networkSwitch,
    router,
    wap,
    server,
    workstation,
    dataOutlet,
    nvr,
    ups,
    relayCoil,
    relayContactNO,
    relayContactNC,
    switchSPST,
    pushButtonNO,
    resistor,
    capacitor,
    diode,
    led,
    inductor,
    fuse,
    transistorNPN,
    transistorPNP,
    ground,
    battery,
    terminal
};

enum class CanvasBackground { transparent, white, black };

// allCases<E>() lists the cases in declaration order; rawValue/fromRawValue convert to and from
// the stored strings (raw values are case-sensitive).
template <typename E> constexpr auto caseCount() -> int;
template <> constexpr auto caseCount<EditorTool>() -> int {
    return 16;
}
template <> constexpr auto caseCount<DotStyle>() -> int {
    return 2;
}
template <> constexpr auto caseCount<StampCategory>() -> int {
    return 7;
}
template <> constexpr auto caseCount<StampType>() -> int {
    return 62;
}
template <> constexpr auto caseCount<CanvasBackground>() -> int {
    return 3;
}

template <typename E> constexpr std::array<E, caseCount<E>()> allCases() {
    std::array<E, caseCount<E>()> cases{};
    for (int i = 0; i < caseCount<E>(); ++i)
        cases[i] = static_cast<E>(i);
    return cases;
}

QString rawValue(EditorTool tool);
QString rawValue(DotStyle style);
QString rawValue(StampCategory category);
QString rawValue(StampType type);
QString rawValue(CanvasBackground background);

template <typename E> std::optional<E> fromRawValue(QStringView raw);
template <> std::optional<EditorTool> fromRawValue<EditorTool>(QStringView raw);
template <> std::optional<DotStyle> fromRawValue<DotStyle>(QStringView raw);
template <> std::optional<StampCategory> fromRawValue<StampCategory>(QStringView raw);
template <> std::optional<StampType> fromRawValue<StampType>(QStringView raw);
template <> std::optional<CanvasBackground> fromRawValue<CanvasBackground>(QStringView raw);

// What kind of object a tool makes, which decides how it is drawn with the pointer, edited and
// resized.
enum class ToolFamily {
    none,     // makes no object (select, crop)
    stroke,   // freehand points (pen, highlighter)
    twoPoint, // a chain of vertices, drawn from a first to a last point (line, arrow, polygon)
    box,      // the rectangle of a first and a last point (rectangle, ellipse, blur, redaction)
    badge,    // a disc sized by its width at one point (numbered badge, check, stamp)
    text,     // a label at one point
    picture   // a pasted picture in a four-corner outline
};

// The settings the toolbar offers while a tool is chosen.
enum class ToolOption : unsigned {
    strokeWidth = 1 << 0,
    arrowHead = 1 << 1,
    fill = 1 << 2,        // outline or fill of new shapes
    stampChoice = 1 << 3, // which stamp, and whether it shows its name
    badgeStyle = 1 << 4,  // solid or hollow, and the next number (with the number stamp)
    font = 1 << 5,        // the width sets the size of text (three times the width)
};
Q_DECLARE_FLAGS(ToolOptions, ToolOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(ToolOptions)

// How the drawing budget estimates what an object costs to draw.
enum class DrawingCostClass { none, stroked, text, blur, picture, badge, fill };

// Everything the editor knows about one tool, in one table (Annotation.cpp). Adding a kind starts
// there; docs/ARCHITECTURE.md lists the rest.
struct ToolTraits {
    const char16_t* raw;    // stored name
    const char16_t* symbol; // icon name
    const char16_t* help;   // tooltip
    ToolFamily family;
    bool inToolbar;
    bool vertexEditable;   // its points are vertices a drag moves and a double-click adds to
    bool rotationInPoints; // a turn moves its points; it has no rotation of its own
    bool fillable;         // outlined or filled
    int paintLayer;        // drawing order: lower layers first, list order within a layer
    ToolOptions options;
    char16_t key; // the letter that picks it, or 0
    DrawingCostClass cost;
};

namespace EditorTools {
const ToolTraits& traits(EditorTool tool);
// The twelve tools with a toolbar button (dot, check, polygon and image are made by other means).
QList<EditorTool> toolbarCases();
QString symbol(EditorTool tool);
QString help(EditorTool tool);
// The tool's name: its help up to a " — " ("Blur" of "Blur — blurred text can…").
QString name(EditorTool tool);
bool isVertexEditable(EditorTool tool);
// Rectangles, ellipses and polygons: outlined or filled.
bool isFillable(EditorTool tool);
// Badges, checks and stamps: a disc whose size follows the width.
bool isBadge(EditorTool tool);
// Strokes, lines and polygons keep their turn in their points.
bool carriesRotationInPoints(EditorTool tool);
// Objects with a rotation of their own, which the toolbar shows and edits.
bool isRotatable(EditorTool tool);
int paintLayer(EditorTool tool);
// The single letter that picks a tool when no text field has the focus.
std::optional<QChar> key(EditorTool tool);

// The widest `width` the editor gives an object: the width field's limit for strokes, shapes and
// text, and for badges, checks and stamps the width a resize to the largest canvas side gives
// (20000 x 0.125). Anything wider can only come from a crafted file and only costs drawing time.
inline constexpr double kMaxStrokeWidth = 200;
inline constexpr double kMaxBadgeWidth = 2500;
double maxWidth(EditorTool tool);
// The longest label a badge carries: a 64-bit number with its sign ("-9223372036854775808").
inline constexpr qsizetype kMaxBadgeText = 20;
// Coordinates and sizes read from files are kept within this many image pixels of the origin, far
// beyond any canvas, so that no later edit (a turn about the centre, a move) can overflow them.
inline constexpr double kMaxCoordinate = 1e7;
} // namespace EditorTools

namespace StampTypes {
QString title(StampType type);
QString menuSymbol(StampType type);
StampCategory category(StampType type);
// Words people look a stamp up by ("card reader", "cctv", "pir"), besides its title.
QString keywords(StampType type);
// Whether every word of `query` begins a word of the stamp's title, keywords or category, or of
// `alsoKnownAs`: the title and category as the user's language shows them.
bool matches(StampType type, QStringView query, QStringView alsoKnownAs = {});
} // namespace StampTypes

namespace StampCategories {
QString title(StampCategory category);
}

// One drawn object. A plain value; identity is `id`, set once at creation.
struct Annotation {
    QUuid id = QUuid::createUuid();
    EditorTool tool = EditorTool::pen;
    QList<QPointF> points;
    QColor color = Palette::standardRed();
    double width = 8.0;
    QString text;
    double fontSize = 24.0;
    double headScale = 1.5;
    double rotation = 0.0; // radians about the centre of the bounds; positive turns clockwise
    QImage image;          // the pasted picture of an `image` annotation; null otherwise (shared)
    QRectF imageFrame;
    bool hollow = false;
    bool labelOutside = false;
    StampType stamp = StampType::numberCircle;
    bool showName = false;
    bool filled = false;

    // The rectangle spanned by the first and the last point.
    QRectF rect() const;
    bool isNumberBadge() const;
};
