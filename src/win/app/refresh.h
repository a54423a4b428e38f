// The refresh: what features noted in the change record (Editor::Changed, ProgramChanged) is
// shown by one function, in one order (RefreshStep), at the message loop's choke points: after
// each command, each mouse or key message of the view, each message of a dialog, each timer and
// each clipboard or activation notice. Features never refresh windows themselves.
#pragma once
#include "app/change_record.h"

namespace mirelo {

class Editor;

// Runs the refresh for everything noted since the last one; nothing when nothing was noted.
void ApplyChanges(Editor& editor);

// A choke point: the refresh runs when it ends (a nested one runs it too; nothing is lost).
class RefreshPoint {
public:
    explicit RefreshPoint(Editor& editor) : editor_(editor) {}
    ~RefreshPoint() { ApplyChanges(editor_); }
    RefreshPoint(const RefreshPoint&) = delete;
    RefreshPoint& operator=(const RefreshPoint&) = delete;

private:
    Editor& editor_;
};

}  // namespace mirelo
