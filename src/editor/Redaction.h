#pragma once

#include "io/RecognizedText.h"
#include "model/Annotation.h"
#include "render/EditorRenderer.h"

#include <QImage>
#include <QList>

// What saved files keep of a document with redactions: nothing of what a redaction covers, in the
// flat picture and in the project alike. The editor's own picture stays whole; only the copies
// written are burnt.
namespace Redaction {

// `scene` with its blurred copy made from the base with the redactions burnt in, so that a blur
// region beside a redaction spreads nothing of what it hides; `scene` itself when it has no
// redaction or no blur region. `scene.annotations` are in drawing order.
EditorRenderer::Scene hiding(EditorRenderer::Scene scene);

// What a project stores of a document.
struct Stored {
    QImage baseImage;
    QList<Annotation> annotations;
};

// The project's copy of the document drawn as `scene` (annotations in drawing order) whose list is
// `annotations`: the base with every redaction burnt in, and its blur regions too with `withBlur`;
// each pasted picture a redaction lies over with the redaction burnt into its own pixels. The
// objects stay, in the same order. What the drawing budget leaves out of the flat picture is left
// out here too. A null base when memory cannot be had.
Stored stored(const EditorRenderer::Scene& scene, const QList<Annotation>& annotations, bool withBlur);

// The words of `text` read in a picture whose top left lies at `offset` in the image, without those
// whose middle a redaction of `annotations` covers: a black box read as letters is no text, and
// what a redaction hides is not to be copied either.
RecognizedText uncovered(const RecognizedText& text, const QList<Annotation>& annotations,
                         QPointF offset = {});

// `uncovered` text with each redaction of `annotations` standing in it as one word,
// SensitiveText::kCovered, where it lies: a label whose value is hidden already has its value
// beside it, and none is looked for on the next line.
RecognizedText withRedactionsAsWords(const RecognizedText& text, const QList<Annotation>& annotations);

// `flat`, whose top left lies at `offset` in the image, as text recognition should see it: each
// redaction filled with the colour of the ground around it, so that the box is neither read as
// letters nor spoils the reading of the words beside it. Never shown: what the box hides stays hidden.
QImage forReading(QImage flat, const QList<Annotation>& annotations, QPointF offset = {});

} // namespace Redaction
