#include "model/Annotation.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

using F = ToolFamily;
using O = ToolOption;
using C = DrawingCostClass;
constexpr ToolOptions kWidth = O::strokeWidth;

// clang-format off
constexpr ToolTraits kTools[] = {
    // raw, symbol, help,
    // family, toolbar, vertices, turn in points, fillable, layer, options, key, cost
    {u"select", u"cursorarrow", u"Select — drag to move/resize, double-click a line for a vertex",
     F::none, true, false, false, false, 3, kWidth, u'V', C::none},
    {u"pen", u"pencil", u"Pencil",
     F::stroke, true, false, true, false, 3, kWidth, u'P', C::stroked},
    {u"highlighter", u"highlighter", u"Highlighter",
     F::stroke, true, false, true, false, 3, kWidth, u'H', C::stroked},
    {u"line", u"line.diagonal", u"Line",
     F::twoPoint, true, true, true, false, 3, kWidth, u'L', C::stroked},
    {u"arrow", u"arrow.up.right", u"Arrow",
     F::twoPoint, true, true, true, false, 3, kWidth | O::arrowHead, u'A', C::stroked},
    {u"rect", u"rectangle", u"Rectangle",
     F::box, true, false, false, true, 3, kWidth | O::fill, u'R', C::stroked},
    {u"ellipse", u"circle", u"Ellipse",
     F::box, true, false, false, true, 3, kWidth | O::fill, u'E', C::stroked},
    {u"stamp", u"square.grid.2x2", u"Icon stamp — pick the icon from the dropdown",
     F::badge, true, false, false, false, 3, kWidth | O::stampChoice | O::badgeStyle, u'S', C::badge},
    {u"dot", u"1.circle", u"Numbered dot",
     F::badge, false, false, false, false, 3, kWidth | O::badgeStyle, 0, C::badge},
    {u"check", u"checkmark.circle", u"Checkmark badge",
     F::badge, false, false, false, false, 3, kWidth, 0, C::badge},
    {u"blur", u"aqi.medium", u"Blur — blurred text can sometimes be read back; use Redact to hide it",
     F::box, true, false, false, false, 0, kWidth, u'B', C::blur},
    // Above the picture, blur and pasted pictures (what it hides), below the marks drawn over it.
    {u"redact", u"rectangle.fill", u"Redact — an opaque box that hides what is under it, in the image and in the project",
     F::box, true, false, false, false, 2, {}, u'X', C::fill},
    {u"text", u"textformat", u"Text",
     F::text, true, false, false, false, 4, kWidth | O::font, u'T', C::text},
    {u"crop", u"crop", u"Crop",
     F::none, true, false, false, false, 3, kWidth, u'C', C::none},
    {u"polygon", u"pentagon", u"Polygon",
     F::twoPoint, false, true, true, true, 3, kWidth, 0, C::stroked},
    {u"image", u"photo", u"Pasted image",
     F::picture, false, false, false, false, 1, {}, 0, C::picture},
};
// clang-format on
static_assert(std::size(kTools) == caseCount<EditorTool>());

struct StampInfo {
    const char16_t* raw;
    const char16_t* title;
    const char16_t* menuSymbol;
    StampCategory category;
    const char16_t* keywords; // the words people search for it by, besides its title
};

// The category is a fixed table indexed by the case's position, not derived from the name.
// clang-format off
constexpr StampInfo kStamps[] = {
    {u"numberCircle", u"Number Circle", u"1.circle", StampCategory::general, u"badge number step count numbered"},
    {u"checkMark", u"Check Mark", u"checkmark", StampCategory::general, u"tick ok done yes"},
    {u"checkBox", u"Check Box", u"checkmark.square", StampCategory::general, u"tick box ok done checkbox"},
    {u"checkCircle", u"Check Circle", u"checkmark.circle", StampCategory::general, u"tick ok done"},
    {u"circleSlash", u"Circle Slash", u"nosign", StampCategory::general, u"no forbidden prohibited not allowed blocked"},
    {u"doorContact", u"Door Contact", u"rectangle.portrait.on.rectangle.portrait", StampCategory::security, u"door sensor magnetic contact reed switch open closed"},
    {u"motionDetector", u"Motion Detector", u"wave.3.forward", StampCategory::security, u"pir motion sensor movement detector intrusion"},
    {u"glassBreak", u"Glass Break", u"burst", StampCategory::security, u"glass break window sensor acoustic shock"},
    {u"keypad", u"Keypad", u"circle.grid.3x3", StampCategory::security, u"keypad pin code entry arming station"},
    {u"siren", u"Siren / Sounder", u"speaker.wave.2", StampCategory::security, u"siren sounder bell horn alarm speaker"},
    {u"panicButton", u"Panic Button", u"exclamationmark.circle", StampCategory::security, u"panic button duress hold up emergency"},
    {u"alarmPanel", u"Alarm Panel", u"shield", StampCategory::security, u"alarm panel control intrusion security"},
    {u"beamSensor", u"Beam Sensor", u"arrow.left.and.right", StampCategory::security, u"beam sensor photoelectric infrared perimeter"},
    {u"accessReader", u"Access Reader", u"wave.3.right.circle", StampCategory::access, u"card reader badge proximity rfid prox nfc fob access control"},
    {u"accessDoor", u"Access Door", u"door.left.hand.open", StampCategory::access, u"door access controlled entry"},
    {u"maglock", u"Maglock", u"lock.rectangle", StampCategory::access, u"maglock magnetic lock electromagnetic"},
    {u"strike", u"Strike", u"bolt", StampCategory::access, u"electric strike lock door"},
    {u"rimStrike", u"Rim Strike", u"bolt.square", StampCategory::access, u"rim strike electric lock exit device"},
    {u"button", u"Push Button", u"smallcircle.filled.circle", StampCategory::access, u"push button exit button door release"},
    {u"rex", u"Request to Exit", u"figure.walk", StampCategory::access, u"rex request to exit motion sensor egress"},
    {u"biometric", u"Biometric Reader", u"touchid", StampCategory::access, u"biometric fingerprint face reader"},
    {u"intercom", u"Intercom", u"mic", StampCategory::access, u"intercom door station video phone call"},
    {u"turnstile", u"Turnstile", u"arrow.triangle.2.circlepath", StampCategory::access, u"turnstile gate barrier speed gate"},
    {u"ept", u"Power Transfer (EPT)", u"powerplug", StampCategory::access, u"power transfer hinge door cord wire ept"},
    {u"cameraBox", u"Camera (Box)", u"video", StampCategory::cameras, u"camera cctv video box surveillance ip"},
    {u"camera360", u"Camera (360°)", u"record.circle", StampCategory::cameras, u"camera cctv video fisheye panoramic 360 surveillance"},
    {u"cameraDome", u"Camera (Dome)", u"video.circle", StampCategory::cameras, u"camera cctv video dome surveillance"},
    {u"cameraPTZ", u"Camera (PTZ)", u"arrow.up.and.down.and.arrow.left.and.right", StampCategory::cameras, u"camera cctv video ptz pan tilt zoom surveillance"},
    {u"cameraBullet", u"Camera (Bullet)", u"capsule", StampCategory::cameras, u"camera cctv video bullet outdoor surveillance"},
    {u"cameraThermal", u"Camera (Thermal)", u"thermometer.medium", StampCategory::cameras, u"camera cctv video thermal heat infrared surveillance"},
    {u"smokeDetector", u"Smoke Detector", u"smoke", StampCategory::fire, u"smoke detector fire alarm"},
    {u"heatDetector", u"Heat Detector", u"flame", StampCategory::fire, u"heat detector fire temperature"},
    {u"pullStation", u"Pull Station", u"hand.raised", StampCategory::fire, u"pull station manual call point fire alarm"},
    {u"hornStrobe", u"Horn / Strobe", u"bell", StampCategory::fire, u"horn strobe sounder beacon fire alarm notification"},
    {u"facp", u"Fire Panel (FACP)", u"bell.badge", StampCategory::fire, u"fire alarm control panel facp"},
    {u"sprinkler", u"Sprinkler Head", u"drop", StampCategory::fire, u"sprinkler head water fire suppression"},
    {u"fireExtinguisher", u"Fire Extinguisher", u"flame.circle", StampCategory::fire, u"fire extinguisher"},
    {u"rack", u"Equipment Rack", u"server.rack", StampCategory::network, u"rack cabinet equipment server network"},
    {u"networkSwitch", u"Network Switch", u"arrow.left.arrow.right", StampCategory::network, u"network switch ethernet poe lan"},
    {u"router", u"Router", u"network", StampCategory::network, u"router gateway internet firewall network"},
    {u"wap", u"Wireless AP", u"wifi", StampCategory::network, u"wireless access point wifi wlan ap"},
    {u"server", u"Server", u"externaldrive", StampCategory::network, u"server storage computer"},
    {u"workstation", u"Workstation", u"desktopcomputer", StampCategory::network, u"workstation computer pc desktop client"},
    {u"dataOutlet", u"Data Outlet", u"triangle", StampCategory::network, u"data outlet network jack port rj45 drop"},
    {u"nvr", u"NVR / Recorder", u"recordingtape", StampCategory::network, u"nvr dvr recorder video storage"},
    {u"ups", u"UPS", u"battery.100", StampCategory::network, u"ups battery backup power"},
    {u"relayCoil", u"Relay Coil", u"rectangle", StampCategory::circuit, u"relay coil"},
    {u"relayContactNO", u"Relay Contact (NO)", u"line.diagonal", StampCategory::circuit, u"relay contact normally open no"},
    {u"relayContactNC", u"Relay Contact (NC)", u"line.diagonal.arrow", StampCategory::circuit, u"relay contact normally closed nc"},
    {u"switchSPST", u"Switch (SPST)", u"switch.2", StampCategory::circuit, u"switch spst toggle"},
    {u"pushButtonNO", u"Push Button (NO)", u"power", StampCategory::circuit, u"push button normally open momentary"},
    {u"resistor", u"Resistor", u"waveform.path", StampCategory::circuit, u"resistor resistance"},
    {u"capacitor", u"Capacitor", u"equal", StampCategory::circuit, u"capacitor"},
    {u"diode", u"Diode", u"arrowtriangle.right", StampCategory::circuit, u"diode rectifier"},
    {u"led", u"LED", u"lightbulb", StampCategory::circuit, u"led light indicator lamp"},
    {u"inductor", u"Inductor / Coil", u"waveform", StampCategory::circuit, u"inductor coil choke"},
    {u"fuse", u"Fuse", u"bolt.horizontal", StampCategory::circuit, u"fuse protection"},
    {u"transistorNPN", u"Transistor (NPN)", u"arrow.triangle.branch", StampCategory::circuit, u"transistor npn"},
    {u"transistorPNP", u"Transistor (PNP)", u"arrow.triangle.merge", StampCategory::circuit, u"transistor pnp"},
    {u"ground", u"Ground", u"arrow.down.to.line", StampCategory::circuit, u"ground earth"},
    {u"battery", u"Battery / DC", u"minus.plus.batteryblock", StampCategory::circuit, u"battery dc power supply"},
    {u"terminal", u"Terminal", u"circle.circle", StampCategory::circuit, u"terminal connection wire"},
};
// clang-format on
static_assert(std::size(kStamps) == caseCount<StampType>());

struct CategoryInfo {
    const char16_t* raw;
    const char16_t* title;
};

constexpr CategoryInfo kCategories[] = {
    {u"general", u"General"},
    {u"security", u"Security"},
    {u"access", u"Access"},
    {u"cameras", u"Cameras"},
    {u"fire", u"Fire"},
    {u"network", u"IT / Network"},
    {u"circuit", u"Electrical / Circuit"},
};
static_assert(std::size(kCategories) == caseCount<StampCategory>());

constexpr const char16_t* kDotStyles[] = {u"solid", u"hollow"};
constexpr const char16_t* kBackgrounds[] = {u"transparent", u"white", u"black"};

template <typename E, typename Table, typename RawOf>
std::optional<E> lookup(const Table& table, QStringView raw, RawOf rawOf) {
    for (int i = 0; i < caseCount<E>(); ++i)
        if (raw == QStringView(rawOf(table[i]))) return static_cast<E>(i);
    return std::nullopt;
}

} // namespace

QString rawValue(EditorTool tool) {
    return QString::fromUtf16(kTools[int(tool)].raw);
}
QString rawValue(DotStyle style) {
    return QString::fromUtf16(kDotStyles[int(style)]);
}
QString rawValue(StampCategory category) {
    return QString::fromUtf16(kCategories[int(category)].raw);
}
QString rawValue(StampType type) {
    return QString::fromUtf16(kStamps[int(type)].raw);
}
QString rawValue(CanvasBackground background) {
    return QString::fromUtf16(kBackgrounds[int(background)]);
}

template <> std::optional<EditorTool> fromRawValue<EditorTool>(QStringView raw) {
    return lookup<EditorTool>(kTools, raw, [](const ToolTraits& t) { return t.raw; });
}
template <> std::optional<DotStyle> fromRawValue<DotStyle>(QStringView raw) {
    return lookup<DotStyle>(kDotStyles, raw, [](const char16_t* s) { return s; });
}
template <> std::optional<StampCategory> fromRawValue<StampCategory>(QStringView raw) {
    return lookup<StampCategory>(kCategories, raw, [](const CategoryInfo& c) { return c.raw; });
}
template <> std::optional<StampType> fromRawValue<StampType>(QStringView raw) {
    return lookup<StampType>(kStamps, raw, [](const StampInfo& s) { return s.raw; });
}
template <> std::optional<CanvasBackground> fromRawValue<CanvasBackground>(QStringView raw) {
    return lookup<CanvasBackground>(kBackgrounds, raw, [](const char16_t* s) { return s; });
}

const ToolTraits& EditorTools::traits(EditorTool tool) {
    return kTools[int(tool)];
}
QList<EditorTool> EditorTools::toolbarCases() {
    QList<EditorTool> result;
    for (EditorTool tool : allCases<EditorTool>())
        if (kTools[int(tool)].inToolbar) result.append(tool);
    return result;
}
QString EditorTools::symbol(EditorTool tool) {
    return QString::fromUtf16(kTools[int(tool)].symbol);
}
QString EditorTools::help(EditorTool tool) {
    return QString::fromUtf16(kTools[int(tool)].help);
}
QString EditorTools::name(EditorTool tool) {
    return help(tool).section(QStringLiteral(" — "), 0, 0);
}
bool EditorTools::isFillable(EditorTool tool) {
    return kTools[int(tool)].fillable;
}
bool EditorTools::isVertexEditable(EditorTool tool) {
    return kTools[int(tool)].vertexEditable;
}
bool EditorTools::isBadge(EditorTool tool) {
    return kTools[int(tool)].family == ToolFamily::badge;
}
bool EditorTools::carriesRotationInPoints(EditorTool tool) {
    return kTools[int(tool)].rotationInPoints;
}
bool EditorTools::isRotatable(EditorTool tool) {
    return kTools[int(tool)].family != ToolFamily::none && !kTools[int(tool)].rotationInPoints;
}
int EditorTools::paintLayer(EditorTool tool) {
    return kTools[int(tool)].paintLayer;
}
std::optional<QChar> EditorTools::key(EditorTool tool) {
    const char16_t key = kTools[int(tool)].key;
    if (key == 0) return std::nullopt;
    return QChar(key);
}

double EditorTools::maxWidth(EditorTool tool) {
    return isBadge(tool) ? kMaxBadgeWidth : kMaxStrokeWidth;
}

QString StampTypes::title(StampType type) {
    return QString::fromUtf16(kStamps[int(type)].title);
}
QString StampTypes::menuSymbol(StampType type) {
    return QString::fromUtf16(kStamps[int(type)].menuSymbol);
}
StampCategory StampTypes::category(StampType type) {
    return kStamps[int(type)].category;
}
QString StampTypes::keywords(StampType type) {
    return QString::fromUtf16(kStamps[int(type)].keywords);
}
bool StampTypes::matches(StampType type, QStringView query, QStringView alsoKnownAs) {
    // Letters of any script make words: a translated title is found by its own words ("Дверной").
    static const QRegularExpression separators(QStringLiteral("[^\\w]+"),
                                               QRegularExpression::UseUnicodePropertiesOption);
    QString haystack =
        title(type) + u' ' + keywords(type) + u' ' + StampCategories::title(category(type)) + u' ';
    haystack.append(alsoKnownAs);
    const QStringList words = haystack.toLower().split(separators, Qt::SkipEmptyParts);
    // Every word of the query begins a word of the stamp's: "card rea" finds the access reader.
    for (const QString& part : query.toString().toLower().split(separators, Qt::SkipEmptyParts))
        if (std::none_of(words.cbegin(), words.cend(),
                         [&](const QString& word) { return word.startsWith(part); }))
            return false;
    return true;
}
QString StampCategories::title(StampCategory category) {
    return QString::fromUtf16(kCategories[int(category)].title);
}

QRectF Annotation::rect() const {
    if (points.isEmpty()) return QRectF();
    const QPointF a = points.first();
    const QPointF b = points.last();
    return QRectF(std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::abs(b.x() - a.x()),
                  std::abs(b.y() - a.y()));
}

bool Annotation::isNumberBadge() const {
    return tool == EditorTool::dot || (tool == EditorTool::stamp && stamp == StampType::numberCircle);
}
