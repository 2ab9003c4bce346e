/// Fixed names and texts of the component frame.
#pragma once

namespace quillmark::texts
{
constexpr char kImplementationName[] = "Quillmark.Implementations.Certificate.QORVHelper";
constexpr char kServiceName[] = "Quillmark.Certificate.QORVHelper";
constexpr char kRegistryKey[] = "/Quillmark.Implementations.Certificate.QORVHelper/UNO/SERVICES";

constexpr char kToolkitService[] = "com.sun.star.awt.Toolkit";
constexpr char kUrlTransformerService[] = "com.sun.star.util.URLTransformer";
constexpr char kPathSettingsService[] = "com.sun.star.util.PathSettings";
constexpr char kDispatchHelperService[] = "com.sun.star.frame.DispatchHelper";
constexpr char kPopupMenuService[] = "Quillmark.UITools.RCPopupMenu";
constexpr char kCertInfoBoxService[] = "Quillmark.UITools.CertInfoBox";
/// The certificate box's second argument where it will ask for a seal's PIN: the seal's name.
constexpr char kPinOfSealArgument[] = "PinOfSeal";
constexpr char kSealDetailsBoxService[] = "Quillmark.UITools.SealDetailsBox";

constexpr char kTextGraphicObject[] = "com.sun.star.text.TextGraphicObject";
constexpr char kShapeCollection[] = "com.sun.star.drawing.ShapeCollection";
constexpr char kGraphicObjectShape[] = "com.sun.star.drawing.GraphicObjectShape";

constexpr char kDocumentSealMark[] = "Stamper";
constexpr char kFieldSealMark[] = "FieldStamper";

// Message box titles.
constexpr char kNoticeTitle[] = u8"提示";
constexpr char kErrorTitle[] = "Message";
}
