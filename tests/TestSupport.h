#pragma once

#include "io/FileIO.h"
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

// For its lifetime, writes to the paths `refusal` answers with an errno fail as if the OS had
// refused them with that reason.
class ScopedWriteRefusal {
public:
    explicit ScopedWriteRefusal(std::function<int(const QString& path)> refusal) {
        FileIO::Testing::setWriteRefusal(std::move(refusal));
    }
    ~ScopedWriteRefusal() { FileIO::Testing::setWriteRefusal({}); }
    ScopedWriteRefusal(const ScopedWriteRefusal&) = delete;
    ScopedWriteRefusal& operator=(const ScopedWriteRefusal&) = delete;
};

// Refuses the writes of every project file with `reason`.
inline std::function<int(const QString&)> refuseProjects(int reason) {
    return [reason](const QString& path) { return path.endsWith(QLatin1String(".pictproj")) ? reason : 0; };
}

} // namespace TestSupport
