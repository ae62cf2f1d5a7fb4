#pragma once

#include "io/ImageDecoder.h"
#include "io/IoError.h"
#include "model/Annotation.h"

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>

#include <optional>

// The project file (.pictproj): a 16-byte header ("PTVJ", container version 2, manifest length),
// a JSON manifest and the images as PNG blobs. An older single-JSON form is still read. The same
// annotation records travel on the clipboard under a private format.
namespace ProjectIO {

inline constexpr char kMagic[4] = {'P', 'T', 'V', 'J'};
inline constexpr quint32 kContainerVersion = 2;
inline constexpr const char* kPasteboardType = "org.pictavo.annotations";

// One annotation as stored.
struct AnnotationDTO {
    QString tool;
    std::optional<QString> stamp;
    QList<QPointF> points;
    QString color;
    double width = 0;
    QString text;
    double fontSize = 0;
    double headScale = 0;
    double rotation = 0;
    bool hollow = false;
    std::optional<bool> labelOutside;
    std::optional<bool> showName;
    std::optional<bool> filled;
    std::optional<QRectF> imageFrame;
    std::optional<QByteArray> imagePNG;
    std::optional<qint64> imageBlob;

    // The record of an annotation (no image reference; the writers add one).
    static AnnotationDTO from(const Annotation& a);
    // The annotation of a record, with a new id; absent when the record cannot be used (unknown
    // tool, image missing or undecodable). Numbers are brought within kMaxCoordinate and a badge's
    // label within kMaxBadgeText. Each picture costs the budget its pixels, also when several
    // records share one stored image; `decoded` keeps such images so each is decoded once.
    std::optional<Annotation> annotation(const QList<QByteArray>& blobs, ImageDecoder::Budget* budget = nullptr,
                                         QHash<qint64, QImage>* decoded = nullptr) const;
};

struct Manifest {
    qint64 version = 2;
    QList<qint64> blobSizes;
    QList<AnnotationDTO> annotations;
};

struct Project {
    QImage baseImage;
    QList<Annotation> annotations;
    // Records that could not be used (unknown tool, missing or undecodable picture), left out.
    int droppedRecords = 0;
};

quint64 readUInt64(const QByteArray& bytes, qsizetype offset);

// Values (numbers, texts, lists, objects) one JSON text may hold. Qt's parser takes about 70 bytes
// and 0.3 us for each: a manifest of 30 million points (180 MB) took 50 s and 6 GB. Counted before
// parsing; the editor's own projects stay far below (a million drawn points is past the drawing
// budget), and one that would not is refused when saved, so every saved project reopens.
inline constexpr qsizetype kMaxJsonValues = 4'000'000;
// An upper bound of the values in `json`: one more than its commas and opening brackets outside
// strings. Stops counting past `limit`.
qsizetype jsonValueBound(const QByteArray& json, qsizetype limit = kMaxJsonValues);

// The complete file content of a base image and its annotations.
Result<QByteArray> encode(const QImage& baseImage, const QList<Annotation>& annotations);
// The same with the base image already encoded as PNG (a picture that has not changed since).
Result<QByteArray> encodeWithPng(const QByteArray& basePng, const QList<Annotation>& annotations);
// Why a project of this base size and these annotations would not reopen whole: a side longer than
// one load accepts, or its pictures together over the pixels one load decodes. Empty when it would.
// Whatever adds a picture or grows the base asks first, so nothing is written that reads back less.
QString reopenProblem(QSize baseSize, const QList<Annotation>& annotations);

// Reads a project from bytes; `name` names the source in error messages.
Result<Project> decode(const QByteArray& bytes, const QString& name = QString());
// Reads a project file. Nothing is half-loaded: an error returns no image and no annotations.
Result<Project> load(const QString& path);

// Clipboard payload: {"annotations": [records with inline imagePNG]}.
std::optional<QByteArray> encodePayload(const QList<Annotation>& annotations);
// Absent for a foreign or broken payload, or one that leaves no usable record.
std::optional<QList<Annotation>> annotationsFromPayload(const QByteArray& payload);

} // namespace ProjectIO
