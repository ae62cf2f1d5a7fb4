#pragma once

#include "model/Annotation.h"

#include <QDir>
#include <QString>

namespace TestSupport {

// Where tests leave pictures for people to look at: the build folder's test-output.
inline QString outputPath(const QString& name) {
    QString dir = qEnvironmentVariable("PICTAVO_TEST_OUTPUT");
    if (dir.isEmpty()) dir = QDir::currentPath();
    QDir().mkpath(dir);
    return QDir(dir).filePath(name);
}

inline Annotation annotation(EditorTool tool, QList<QPointF> points, QColor color = QColor(0, 0, 255),
                             double width = 4) {
    Annotation a;
    a.tool = tool;
    a.points = std::move(points);
    a.color = color;
    a.width = width;
    return a;
}

} // namespace TestSupport
