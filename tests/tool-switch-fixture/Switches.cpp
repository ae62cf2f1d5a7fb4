// Fixture for check-tool-switches.py: exactly two of these switches break the rule.
int drawingOrder(const Annotation& a) {
    switch (a.tool) {
    case EditorTool::blur:
        return 0;
    default: // a new kind silently lands here
        return 2;
    }
}

int handles(EditorTool tool, ResizeHandle handle) {
    switch (tool) {
    case EditorTool::select:
        // A nested switch over another enumeration may keep its default.
        switch (handle) {
        case ResizeHandle::top:
            return 1;
        default:
            return 2;
        }
    case EditorTool::pen:
        return 3;
    }
    return 0;
}

QString label(Kind kind) {
    switch (kind) { // not the tool: free to use a default
    default:
        return "default:";
    }
}

bool gesture(const EditorModel& model) {
    switch (model.tool()) {
    case EditorTool::text: return true;
    default: return false;
    }
}
