#include "io/ProjectIO.h"

#include "io/FileIO.h"
#include "io/PngWriter.h"
#include "model/Palette.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <limits>

namespace ProjectIO {

namespace {

constexpr qsizetype kHeaderSize = 16;

// ---- Reading JSON with strict types -------------------------------------------------------------

// Collects the first problem found; every reader returns a neutral value once one was found.
struct JsonReader {
    QString problem;

    bool failed() const { return !problem.isEmpty(); }
    void fail(const QString& message) {
        if (problem.isEmpty()) problem = message;
    }

    static bool present(const QJsonObject& o, const char* key) {
        const auto it = o.constFind(QLatin1String(key));
        return it != o.constEnd() && !it->isNull() && !it->isUndefined();
    }

    QJsonValue required(const QJsonObject& o, const char* key) {
        if (!present(o, key)) fail(QStringLiteral("the key “%1” is missing").arg(QLatin1String(key)));
        return o.value(QLatin1String(key));
    }

    double number(const QJsonValue& v, const char* what) {
        if (!v.isDouble()) {
            fail(QStringLiteral("“%1” is not a number").arg(QLatin1String(what)));
            return 0;
        }
        const double d = v.toDouble();
        if (!std::isfinite(d)) fail(QStringLiteral("“%1” is not a finite number").arg(QLatin1String(what)));
        return d;
    }

    qint64 integer(const QJsonValue& v, const char* what) {
        // toInteger gives its default for fractions and values past 64 bits: two defaults tell.
        if (!v.isDouble() || v.toInteger(0) != v.toInteger(1)) {
            fail(QStringLiteral("“%1” is not a whole number").arg(QLatin1String(what)));
            return 0;
        }
        return v.toInteger();
    }

    QString string(const QJsonValue& v, const char* what) {
        if (!v.isString()) fail(QStringLiteral("“%1” is not text").arg(QLatin1String(what)));
        return v.toString();
    }

    bool boolean(const QJsonValue& v, const char* what) {
        if (!v.isBool()) fail(QStringLiteral("“%1” is not true or false").arg(QLatin1String(what)));
        return v.toBool();
    }

    QJsonArray array(const QJsonValue& v, const char* what) {
        if (!v.isArray()) fail(QStringLiteral("“%1” is not a list").arg(QLatin1String(what)));
        return v.toArray();
    }

    QPointF pair(const QJsonValue& v, const char* what) {
        const QJsonArray a = array(v, what);
        if (failed()) return {};
        if (a.size() != 2) {
            fail(QStringLiteral("“%1” does not hold two numbers").arg(QLatin1String(what)));
            return {};
        }
        return QPointF(number(a[0], what), number(a[1], what));
    }

    QByteArray base64(const QJsonValue& v, const char* what) {
        const QString text = string(v, what);
        if (failed()) return {};
        auto decoded =
            QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded || text.size() != text.toLatin1().size())
            fail(QStringLiteral("“%1” is not valid Base64").arg(QLatin1String(what)));
        return decoded.decoded;
    }

    template <typename T, typename Fn>
    std::optional<T> optional(const QJsonObject& o, const char* key, Fn read) {
        if (!present(o, key)) return std::nullopt;
        return read(o.value(QLatin1String(key)), key);
    }

    AnnotationDTO dto(const QJsonValue& value) {
        AnnotationDTO d;
        if (!value.isObject()) {
            fail(QStringLiteral("an annotation record is not an object"));
            return d;
        }
        const QJsonObject o = value.toObject();
        d.tool = string(required(o, "tool"), "tool");
        d.stamp = optional<QString>(o, "stamp",
                                    [this](const QJsonValue& v, const char* k) { return string(v, k); });
        for (const QJsonValue& p : array(required(o, "points"), "points")) {
            d.points.append(pair(p, "points"));
            if (failed()) break;
        }
        d.color = string(required(o, "color"), "color");
        d.width = number(required(o, "width"), "width");
        d.text = string(required(o, "text"), "text");
        d.fontSize = number(required(o, "fontSize"), "fontSize");
        d.headScale = number(required(o, "headScale"), "headScale");
        d.rotation = number(required(o, "rotation"), "rotation");
        d.hollow = boolean(required(o, "hollow"), "hollow");
        auto readBool = [this](const QJsonValue& v, const char* k) { return boolean(v, k); };
        d.labelOutside = optional<bool>(o, "labelOutside", readBool);
        d.showName = optional<bool>(o, "showName", readBool);
        d.filled = optional<bool>(o, "filled", readBool);
        d.imageFrame = optional<QRectF>(o, "imageFrame", [this](const QJsonValue& v, const char* k) {
            const QJsonArray a = array(v, k);
            if (failed() || a.size() != 2) {
                fail(QStringLiteral("“imageFrame” is not a rectangle"));
                return QRectF();
            }
            return QRectF(pair(a[0], k), QSizeF(pair(a[1], k).x(), pair(a[1], k).y()));
        });
        d.imagePNG = optional<QByteArray>(
            o, "imagePNG", [this](const QJsonValue& v, const char* k) { return base64(v, k); });
        d.imageBlob = optional<qint64>(o, "imageBlob",
                                       [this](const QJsonValue& v, const char* k) { return integer(v, k); });
        return d;
    }

    QList<AnnotationDTO> dtos(const QJsonValue& value) {
        QList<AnnotationDTO> out;
        for (const QJsonValue& v : array(value, "annotations")) {
            out.append(dto(v));
            if (failed()) break;
        }
        return out;
    }
};

QString tooManyValues() {
    return QStringLiteral("it holds more than %1 million numbers and other values, more than a project may")
        .arg(kMaxJsonValues / 1000000);
}

std::optional<QJsonObject> parseObject(const QByteArray& bytes, QString* problem) {
    // Parsing costs memory and time for every value: refuse before, not after, spending them.
    if (jsonValueBound(bytes) > kMaxJsonValues) {
        *problem = tooManyValues();
        return std::nullopt;
    }
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        *problem = QStringLiteral("invalid JSON at byte %1 (%2)").arg(error.offset).arg(error.errorString());
        return std::nullopt;
    }
    if (!doc.isObject()) {
        *problem = QStringLiteral("the JSON is not an object");
        return std::nullopt;
    }
    return doc.object();
}

// ---- Writing JSON ------------------------------------------------------------------------------

// QJsonDocument writes NaN and infinity as null, which then reads as a missing key: refuse them.
bool allFinite(const AnnotationDTO& d) {
    auto finite = [](double v) { return std::isfinite(v); };
    for (const QPointF& p : d.points)
        if (!finite(p.x()) || !finite(p.y())) return false;
    if (d.imageFrame && (!finite(d.imageFrame->x()) || !finite(d.imageFrame->y()) ||
                         !finite(d.imageFrame->width()) || !finite(d.imageFrame->height())))
        return false;
    return finite(d.width) && finite(d.fontSize) && finite(d.headScale) && finite(d.rotation);
}

QJsonArray pairJson(double a, double b) {
    return QJsonArray{a, b};
}

QJsonObject toJson(const AnnotationDTO& d) {
    QJsonObject o;
    o.insert(QStringLiteral("tool"), d.tool);
    if (d.stamp) o.insert(QStringLiteral("stamp"), *d.stamp);
    QJsonArray points;
    for (const QPointF& p : d.points)
        points.append(pairJson(p.x(), p.y()));
    o.insert(QStringLiteral("points"), points);
    o.insert(QStringLiteral("color"), d.color);
    o.insert(QStringLiteral("width"), d.width);
    o.insert(QStringLiteral("text"), d.text);
    o.insert(QStringLiteral("fontSize"), d.fontSize);
    o.insert(QStringLiteral("headScale"), d.headScale);
    o.insert(QStringLiteral("rotation"), d.rotation);
    o.insert(QStringLiteral("hollow"), d.hollow);
    if (d.labelOutside) o.insert(QStringLiteral("labelOutside"), *d.labelOutside);
    if (d.showName) o.insert(QStringLiteral("showName"), *d.showName);
    if (d.filled) o.insert(QStringLiteral("filled"), *d.filled);
    if (d.imageFrame)
        o.insert(QStringLiteral("imageFrame"),
                 QJsonArray{pairJson(d.imageFrame->x(), d.imageFrame->y()),
                            pairJson(d.imageFrame->width(), d.imageFrame->height())});
    if (d.imagePNG) o.insert(QStringLiteral("imagePNG"), QString::fromLatin1(d.imagePNG->toBase64()));
    if (d.imageBlob) o.insert(QStringLiteral("imageBlob"), *d.imageBlob);
    return o;
}

IoError encodingError(const QString& why) {
    return IoError{IoError::Kind::writeError,
                   QStringLiteral("The project could not be encoded: %1").arg(why)};
}

IoError decodingError(const QString& name, const QString& why) {
    return IoError{IoError::Kind::decodingError,
                   QStringLiteral("“%1” is not a Pictavo project or is damaged: %2").arg(name, why)};
}

IoError notAProject(const QString& name) {
    return IoError{IoError::Kind::decodingError, QStringLiteral("“%1” is not a Pictavo project.").arg(name)};
}

// Whether bytes that do not read as a project were one (and are damaged) rather than some other file.
bool namesProjectKeys(const QByteArray& bytes) {
    for (const char* key : {"\"baseImagePNG\"", "\"annotations\""})
        if (bytes.contains(key)) return true;
    return false;
}

IoError corruptError(const QString& name, const QString& why) {
    return IoError{IoError::Kind::corruptFile, QStringLiteral("“%1” is damaged: %2").arg(name, why)};
}

QList<Annotation> usableAnnotations(const QList<AnnotationDTO>& records, const QList<QByteArray>& blobs,
                                    ImageDecoder::Budget* budget, int* dropped = nullptr) {
    QList<Annotation> out;
    QHash<qint64, QImage> decoded;
    for (const AnnotationDTO& record : records)
        if (auto a = record.annotation(blobs, budget, &decoded)) out.append(std::move(*a));
    if (dropped) *dropped = int(records.size() - out.size());
    return out;
}

Result<Project> decodeContainer(const QByteArray& bytes, const QString& name) {
    const quint64 n = readUInt64(bytes, 8);
    if (n > quint64(std::numeric_limits<qint64>::max()) || n > quint64(bytes.size() - kHeaderSize))
        return corruptError(name, QStringLiteral("the manifest runs past the end of the file"));
    QString problem;
    const auto object = parseObject(bytes.mid(kHeaderSize, qsizetype(n)), &problem);
    if (!object) return decodingError(name, problem);
    JsonReader reader;
    Manifest manifest;
    manifest.version = reader.integer(reader.required(*object, "version"), "version");
    for (const QJsonValue& v : reader.array(reader.required(*object, "blobSizes"), "blobSizes")) {
        manifest.blobSizes.append(reader.integer(v, "blobSizes"));
        if (reader.failed()) break;
    }
    manifest.annotations = reader.dtos(reader.required(*object, "annotations"));
    if (reader.failed()) return decodingError(name, reader.problem);

    QList<QByteArray> blobs;
    qsizetype offset = kHeaderSize + qsizetype(n);
    for (qint64 size : manifest.blobSizes) {
        if (size < 0 || size > bytes.size() - offset)
            return corruptError(name, QStringLiteral("an image runs past the end of the file"));
        blobs.append(bytes.mid(offset, qsizetype(size)));
        offset += qsizetype(size);
    }
    if (blobs.isEmpty()) return corruptError(name, QStringLiteral("it holds no picture"));
    ImageDecoder::Budget budget;
    Result<QImage> base = ImageDecoder::decode(blobs.first(), name, &budget);
    if (!base)
        return corruptError(name,
                            QStringLiteral("its picture cannot be decoded (%1)").arg(base.error().message));
    Project project{*base, {}, 0};
    project.annotations = usableAnnotations(manifest.annotations, blobs, &budget, &project.droppedRecords);
    return project;
}

Result<Project> decodeLegacy(const QByteArray& bytes, const QString& name) {
    if (!namesProjectKeys(bytes)) return notAProject(name);
    QString problem;
    const auto object = parseObject(bytes, &problem);
    if (!object) return decodingError(name, problem);
    JsonReader reader;
    reader.integer(reader.required(*object, "version"), "version");
    const QByteArray png = reader.base64(reader.required(*object, "baseImagePNG"), "baseImagePNG");
    const QList<AnnotationDTO> records = reader.dtos(reader.required(*object, "annotations"));
    if (reader.failed()) return decodingError(name, reader.problem);
    ImageDecoder::Budget budget;
    Result<QImage> base = ImageDecoder::decode(png, name, &budget);
    if (!base)
        return corruptError(name,
                            QStringLiteral("its picture cannot be decoded (%1)").arg(base.error().message));
    Project project{*base, {}, 0};
    project.annotations = usableAnnotations(records, {}, &budget, &project.droppedRecords);
    return project;
}

} // namespace

// ---- Records -----------------------------------------------------------------------------------

AnnotationDTO AnnotationDTO::from(const Annotation& a) {
    AnnotationDTO d;
    d.tool = rawValue(a.tool);
    if (a.tool == EditorTool::stamp) d.stamp = rawValue(a.stamp);
    d.points = a.points;
    d.color = pictavoHex(a.color).value_or(QStringLiteral("FF0000"));
    d.width = a.width;
    d.text = a.text;
    d.fontSize = a.fontSize;
    d.headScale = a.headScale;
    d.rotation = a.rotation;
    d.hollow = a.hollow;
    d.labelOutside = a.labelOutside;
    d.showName = a.showName;
    d.filled = a.filled;
    if (a.tool == EditorTool::image) d.imageFrame = a.imageFrame;
    return d;
}

namespace {

// Finite numbers as large as 1e308 load and draw, but a turn about their centre overflows them
// into ones no project can hold.
double bounded(double value) {
    return std::clamp(value, -EditorTools::kMaxCoordinate, EditorTools::kMaxCoordinate);
}

QPointF bounded(QPointF p) {
    return QPointF(bounded(p.x()), bounded(p.y()));
}

} // namespace

std::optional<Annotation> AnnotationDTO::annotation(const QList<QByteArray>& blobs, ImageDecoder::Budget* budget,
                                                    QHash<qint64, QImage>* decoded) const {
    const std::optional<EditorTool> parsedTool = fromRawValue<EditorTool>(tool);
    if (!parsedTool) return std::nullopt;
    Annotation a; // a new id
    a.tool = *parsedTool;
    a.color = colorFromPictavoHex(color).value_or(Palette::standardRed());
    a.points.reserve(points.size());
    for (const QPointF& p : points)
        a.points.append(bounded(p));
    // Wider than the editor makes is only drawing time (a stroke 1e5 wide took minutes to export).
    a.width = std::min(width, EditorTools::maxWidth(a.tool));
    a.text = text;
    a.fontSize = bounded(fontSize);
    a.headScale = bounded(headScale);
    a.rotation = rotation;
    a.hollow = hollow;
    a.stamp =
        stamp ? fromRawValue<StampType>(*stamp).value_or(StampType::numberCircle) : StampType::numberCircle;
    // Records from before the flag existed drew hollow number badges with the label outside.
    if (labelOutside)
        a.labelOutside = *labelOutside;
    else if (!hollow)
        a.labelOutside = false;
    else if (a.tool == EditorTool::dot)
        a.labelOutside = true;
    else
        a.labelOutside = stamp.value_or(QString()) == rawValue(StampType::numberCircle);
    a.showName = showName.value_or(false);
    a.filled = filled.value_or(false);
    // Measuring and drawing a label of megabytes took seconds; the editor makes none over this.
    if (a.isNumberBadge() || a.tool == EditorTool::check)
        a.text.truncate(EditorTools::kMaxBadgeText);
    if (a.tool != EditorTool::image) return a;

    const QRectF frame = imageFrame.value_or(QRectF());
    a.imageFrame = QRectF(bounded(frame.topLeft()), QSizeF(bounded(frame.width()), bounded(frame.height())));
    const QString name = QStringLiteral("pasted picture");
    if (imageBlob && *imageBlob >= 0 && *imageBlob < blobs.size()) {
        // A picture shared by many records is decoded once but drawn, and counted, for each.
        if (decoded) {
            if (const auto kept = decoded->constFind(*imageBlob); kept != decoded->constEnd()) {
                if (kept->isNull()) return std::nullopt; // it could not be decoded before either
                const qint64 pixels = qint64(kept->width()) * kept->height();
                if (budget && pixels > budget->remainingPixels) return std::nullopt;
                if (budget) budget->remainingPixels -= pixels;
                a.image = *kept;
                return a;
            }
        }
        Result<QImage> image = ImageDecoder::decode(blobs[qsizetype(*imageBlob)], name, budget);
        if (decoded) decoded->insert(*imageBlob, image ? *image : QImage());
        if (!image) return std::nullopt;
        a.image = *image;
        return a;
    }
    if (!imagePNG) return std::nullopt;
    Result<QImage> image = ImageDecoder::decode(*imagePNG, name, budget);
    if (!image) return std::nullopt;
    a.image = *image;
    return a;
}

// ---- Container ---------------------------------------------------------------------------------

quint64 readUInt64(const QByteArray& bytes, qsizetype offset) {
    quint64 value = 0;
    for (int i = 7; i >= 0; --i)
        value = (value << 8) | quint8(bytes[offset + i]);
    return value;
}

qsizetype jsonValueBound(const QByteArray& json, qsizetype limit) {
    qsizetype values = 1;
    bool inString = false, escaped = false;
    for (const char c : json) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == ',' || c == '[' || c == '{') {
            if (++values > limit) break;
        }
    }
    return values;
}

Result<QByteArray> encode(const QImage& baseImage, const QList<Annotation>& annotations) {
    const std::optional<QByteArray> base = PngWriter::encode(baseImage);
    if (!base) return encodingError(QStringLiteral("the picture could not be written as PNG"));
    return encodeWithPng(*base, annotations);
}

Result<QByteArray> encodeWithPng(const QByteArray& basePng, const QList<Annotation>& annotations) {
    QList<QByteArray> blobs{basePng};
    QJsonArray records;
    for (const Annotation& a : annotations) {
        AnnotationDTO d = AnnotationDTO::from(a);
        if (a.tool == EditorTool::image && !a.image.isNull()) {
            if (std::optional<QByteArray> png = PngWriter::encode(a.image)) {
                d.imageBlob = blobs.size();
                blobs.append(*png);
            }
        }
        if (!allFinite(d))
            return encodingError(QStringLiteral("an annotation holds a number that is not finite"));
        records.append(toJson(d));
    }
    QJsonArray sizes;
    for (const QByteArray& b : blobs)
        sizes.append(qint64(b.size()));
    QJsonObject manifest;
    manifest.insert(QStringLiteral("version"), 2);
    manifest.insert(QStringLiteral("blobSizes"), sizes);
    manifest.insert(QStringLiteral("annotations"), records);
    const QByteArray json = QJsonDocument(manifest).toJson(QJsonDocument::Compact);
    // It would not open again.
    if (jsonValueBound(json) > kMaxJsonValues) return encodingError(tooManyValues());

    qsizetype total = kHeaderSize + json.size();
    for (const QByteArray& b : blobs)
        total += b.size();
    QByteArray out;
    out.reserve(total);
    out.append(kMagic, 4);
    for (int i = 0; i < 4; ++i)
        out.append(char((kContainerVersion >> (8 * i)) & 0xFF));
    for (int i = 0; i < 8; ++i)
        out.append(char((quint64(json.size()) >> (8 * i)) & 0xFF));
    out.append(json);
    for (const QByteArray& b : blobs)
        out.append(b);
    return out;
}

QString reopenProblem(QSize baseSize, const QList<Annotation>& annotations) {
    const qint64 maxPixels = ImageDecoder::pixelsPerLoad();
    using ImageDecoder::kMaxSide;
    auto tooLong = [](QSize size) { return size.width() > kMaxSide || size.height() > kMaxSide; };
    if (tooLong(baseSize))
        return QStringLiteral("the picture would be %1 × %2 pixels, more than %3 on a side")
            .arg(baseSize.width())
            .arg(baseSize.height())
            .arg(kMaxSide);
    qint64 pixels = qint64(baseSize.width()) * baseSize.height();
    for (const Annotation& a : annotations) {
        if (a.tool != EditorTool::image || a.image.isNull()) continue;
        if (tooLong(a.image.size()))
            return QStringLiteral("a pasted picture is %1 × %2 pixels, more than %3 on a side")
                .arg(a.image.width())
                .arg(a.image.height())
                .arg(kMaxSide);
        pixels += qint64(a.image.width()) * a.image.height();
    }
    if (pixels > maxPixels)
        return QStringLiteral("the screenshot and its pasted pictures would hold %1 million pixels, "
                              "more than the %2 million a project can be reopened with")
            .arg(pixels / 1000000)
            .arg(maxPixels / 1000000.0, 0, 'g', 3);
    return QString();
}

Result<Project> decode(const QByteArray& bytes, const QString& name) {
    const QString label = name.isEmpty() ? QStringLiteral("project") : name;
    if (bytes.size() > kHeaderSize && std::memcmp(bytes.constData(), kMagic, 4) == 0)
        return decodeContainer(bytes, label);
    return decodeLegacy(bytes, label);
}

Result<Project> load(const QString& path) {
    Result<QByteArray> bytes = FileIO::readFile(path);
    if (!bytes) return bytes.error();
    return decode(*bytes, path);
}

// ---- Clipboard ---------------------------------------------------------------------------------

std::optional<QByteArray> encodePayload(const QList<Annotation>& annotations) {
    QJsonArray records;
    for (const Annotation& a : annotations) {
        AnnotationDTO d = AnnotationDTO::from(a);
        if (a.tool == EditorTool::image && !a.image.isNull()) d.imagePNG = PngWriter::encode(a.image);
        if (!allFinite(d)) return std::nullopt;
        records.append(toJson(d));
    }
    QJsonObject payload;
    payload.insert(QStringLiteral("annotations"), records);
    return QJsonDocument(payload).toJson(QJsonDocument::Compact);
}

std::optional<QList<Annotation>> annotationsFromPayload(const QByteArray& payload) {
    QString problem;
    const auto object = parseObject(payload, &problem);
    if (!object) return std::nullopt;
    JsonReader reader;
    const QList<AnnotationDTO> records = reader.dtos(reader.required(*object, "annotations"));
    if (reader.failed()) return std::nullopt;
    ImageDecoder::Budget budget;
    QList<Annotation> annotations = usableAnnotations(records, {}, &budget);
    if (annotations.isEmpty()) return std::nullopt;
    return annotations;
}

} // namespace ProjectIO
