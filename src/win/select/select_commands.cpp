// The commands of the selection and of the menu ﾊﾟｽ: select all, deselect, close, draw, reset
// the transform, copy to the other path, and the three deletions.
#include "app/command_registry.h"
#include "app/editor.h"
#include "image/format_change.h"
#include "select/paths.h"
#include "select/selection.h"

namespace mirelo {

namespace {
bool IsIdentityTransform(const ImageSlot& s) {
    return s.toolSettings[kTransformRotationOption] == 0 && s.toolSettings[kTransformWidthOption] == 99 && s.toolSettings[kTransformHeightOption] == 99;
}

void Changed(Editor& e) { e.Changed(change::kSelection); }

void ClosePaths(Editor& e, ImageSlot& s) {
    if (s.selectionPath) CloseSelection(s);
    if (s.otherPath && e.messages.App(u"このパスの最後の点と最初の点を結びますか？", MB_YESNO) == IDYES) s.otherPath->CloseFigure();
    if (s.drawPath) FinishDrawPath(e, s);
}

void ResetTransform(ImageSlot& s) {
    if (IsIdentityTransform(s)) return;
    s.toolSettings[kTransformRotationOption] = 0;
    s.toolSettings[kTransformWidthOption] = 99;
    s.toolSettings[kTransformHeightOption] = 99;
}

void CopyToOtherPath(Editor& e, ImageSlot& s) {
    if (s.tool == kToolSelect && s.selectionPath) {
        if (IsIndexed(s.pixelFormat) && ChangeFormat(e, fmt::k32ARGB, u"32bppARGBを作成できません", false, true) != Gdiplus::Ok) return;
        s.toolSettings[kShapeKindOption] = kShapeKindPath;
        s.toolSettings[kPathPartOption] = kPartFreehand;
        s.tool = kToolShape;
        s.selectionPath->CloseFigure();
        s.otherPath = *s.selectionPath;
        s.otherPath->StartFigure();
    } else if (s.tool == kToolShape && s.toolSettings[kShapeKindOption] == kShapeKindPath) {
        FinishDrawPath(e, s);
        if (!s.otherPath) return;
        s.otherPath->CloseFigure();
        s.selectionPath = *s.otherPath;
    }
}

void DeleteLastPointOfTool(ImageSlot& s) {
    const int shape = s.toolSettings[kSelectionShapeOption];
    if (s.tool == kToolSelect && (shape == kSelectPolygon || shape == kSelectWand) && s.selectionPath) {
        if (!DeleteLastPoint(*s.selectionPath, s.selectionAnchor)) s.selectionPath.reset();
    } else if (s.tool == kToolShape && s.drawPath) {
        if (!DeleteLastPoint(*s.drawPath, s.figureAnchor)) s.drawPath.reset();
    }
}

void DeleteLastFigureOfTool(ImageSlot& s) {
    if (s.tool == kToolSelect && s.selectionPath) {
        if (!DeleteLastFigure(*s.selectionPath)) s.selectionPath.reset();
        s.selectionAnchor.Clear();
    } else if (s.tool == kToolShape) {
        if (s.drawPath) {
            s.drawPath.reset();
            s.figureAnchor.Clear();
        } else if (s.otherPath && !DeleteLastFigure(*s.otherPath)) {
            s.otherPath.reset();
            s.workPath.reset();
        }
    }
}

void DeleteAllOfTool(ImageSlot& s) {
    if (s.tool == kToolSelect) {
        Deselect(s);
    } else if (s.tool == kToolShape) {
        s.drawPath.reset();
        s.otherPath.reset();
        s.workPath.reset();
        s.figureAnchor.Clear();
    }
}

// Runs an action on the current image, then repaints and refreshes the menus.
template <class Action>
CommandAction OnCurrent(Action action) {
    return [action](Editor& e, int) {
        if (ImageSlot* s = e.Current()) action(e, *s);
        Changed(e);
    };
}
}  // namespace

PathAvailability ReadPathAvailability(const ImageSlot& s) {
    PathAvailability a;
    const bool shapeTool = s.tool == kToolShape, pathKind = s.toolSettings[kShapeKindOption] == kShapeKindPath;
    a.close = (s.selectionPath && s.selectionAnchor.set()) || (s.drawPath && s.figureAnchor.set()) ||
              (s.otherPath && !s.otherPath->LastFigureClosed());
    a.draw = shapeTool && pathKind && s.otherPath;
    a.reset = shapeTool && !IsIdentityTransform(s);
    a.copy = (s.tool == kToolSelect && s.selectionPath) || (shapeTool && pathKind && s.otherPath);
    if (s.tool == kToolSelect) {
        a.deletePoint = a.deleteFigure = static_cast<bool>(s.selectionPath);
    } else if (shapeTool) {
        a.deletePoint = static_cast<bool>(s.drawPath);
        a.deleteFigure = s.drawPath || s.otherPath;
    }
    return a;
}

void RegisterSelectCommands(CommandRegistry& r) {
    // A command that asks about a path being drawn first stops on Cancel.
    r.OnGuard(kGuardPendingPath, [](Editor& e) { return ResolvePendingPath(e) != IDCANCEL; });
    r.OnReadState([](Editor& e, CommandState& s) {
        if (const ImageSlot* slot = e.images.Current(); slot && slot->occupied()) s.pathCommands = ReadPathAvailability(*slot);
    });
    r.On(cmd::kSelectAll, OnCurrent([](Editor&, ImageSlot& s) { SelectAll(s); }), rule::ImageOpen);
    r.On(cmd::kSelectNone, OnCurrent([](Editor&, ImageSlot& s) { Deselect(s); }),
         [](const CommandState& s) { return s.open && s.selection; });
    r.On(cmd::kPathClose, OnCurrent(ClosePaths), [](const CommandState& s) { return s.open && s.pathCommands.close; });
    r.On(cmd::kPathDraw, OnCurrent(DrawShapePath), [](const CommandState& s) { return s.open && s.pathCommands.draw; });
    r.On(cmd::kPathReset, OnCurrent([](Editor& e, ImageSlot& s) {
             ResetTransform(s);
             e.Changed(change::kToolOptions);
         }),
         [](const CommandState& s) { return s.open && s.pathCommands.reset; });
    r.On(cmd::kPathCopyOther, OnCurrent([](Editor& e, ImageSlot& s) {
             CopyToOtherPath(e, s);
             e.Changed(change::kToolOptions);
         }), [](const CommandState& s) { return s.open && s.pathCommands.copy; });
    r.On(cmd::kPathDeletePoint, OnCurrent([](Editor&, ImageSlot& s) { DeleteLastPointOfTool(s); }),
         [](const CommandState& s) { return s.open && s.pathCommands.deletePoint; });
    r.On(cmd::kPathDeleteLast, OnCurrent([](Editor&, ImageSlot& s) { DeleteLastFigureOfTool(s); }),
         [](const CommandState& s) { return s.open && s.pathCommands.deleteFigure; });
    r.On(cmd::kPathDeleteAll, OnCurrent([](Editor&, ImageSlot& s) { DeleteAllOfTool(s); }),
         [](const CommandState& s) { return s.open && s.pathCommands.deleteFigure; });
}

}  // namespace mirelo
