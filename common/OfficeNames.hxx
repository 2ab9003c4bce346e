/// The names of the office's services and commands, and of the suite's windows, that the
/// component asks for: names it does not own, each spelled once.
#pragma once

namespace quillmark::texts
{
// Services of the office.
constexpr char kToolkitService[] = "com.sun.star.awt.Toolkit";
constexpr char kUrlTransformerService[] = "com.sun.star.util.URLTransformer";
constexpr char kPathSettingsService[] = "com.sun.star.util.PathSettings";
constexpr char kPathSubstitutionService[] = "com.sun.star.util.PathSubstitution";
constexpr char kDispatchHelperService[] = "com.sun.star.frame.DispatchHelper";
constexpr char kGraphicProviderService[] = "com.sun.star.graphic.GraphicProvider";
constexpr char kBitmapTableService[] = "com.sun.star.drawing.BitmapTable";
constexpr char kPageStyleService[] = "com.sun.star.style.PageStyle";
constexpr char kRectangleShape[] = "com.sun.star.drawing.RectangleShape";

// What a selection or a document's object is, as the office names it.
constexpr char kTextGraphicObject[] = "com.sun.star.text.TextGraphicObject";
/// The implementation name a text graphic of this office version may answer to instead.
constexpr char kTextGraphicObjectImplementation[] = "com.sun.star.text.SwXTextGraphicObject";
constexpr char kShapeCollection[] = "com.sun.star.drawing.ShapeCollection";
constexpr char kGraphicObjectShape[] = "com.sun.star.drawing.GraphicObjectShape";
constexpr char kTextRanges[] = "com.sun.star.text.TextRanges";
constexpr char kTextFrame[] = "com.sun.star.text.TextFrame";
constexpr char kTextEmbeddedObject[] = "com.sun.star.text.TextEmbeddedObject";
constexpr char kTextContent[] = "com.sun.star.text.TextContent";

// Commands of the office.
constexpr char kDeleteCommand[] = ".uno:delete";
constexpr char kInsertGraphicCommand[] = ".uno:InsertGraphic";
constexpr char kEscapeCommand[] = ".uno:Escape";

// The suite's windows.
constexpr char kPopupMenuService[] = "Quillmark.UITools.RCPopupMenu";
constexpr char kCertInfoBoxService[] = "Quillmark.UITools.CertInfoBox";
/// The certificate box's second argument where it will ask for a seal's PIN: the seal's name.
constexpr char kPinOfSealArgument[] = "PinOfSeal";
constexpr char kSealDetailsBoxService[] = "Quillmark.UITools.SealDetailsBox";
}
