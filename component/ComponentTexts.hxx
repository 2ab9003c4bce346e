/// Fixed names and texts of the component frame.
#pragma once

namespace quillmark::texts
{
constexpr char kImplementationName[] = "Quillmark.Implementations.Certificate.QORVHelper";
constexpr char kServiceName[] = "Quillmark.Certificate.QORVHelper";
constexpr char kRegistryKey[] = "/Quillmark.Implementations.Certificate.QORVHelper/UNO/SERVICES";

// Message box titles.
constexpr char kNoticeTitle[] = u8"提示";
constexpr char kErrorTitle[] = "Message";
}
