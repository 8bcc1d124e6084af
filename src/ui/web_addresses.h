// Where the program's web and mail links lead. Reserved example domains: the
// product has no public site of its own.
#pragma once

#include <QString>

namespace kalo {

inline const QString ProductWebSite = QStringLiteral("https://kalotalk.example.com/");
inline const QString MakerWebSite = QStringLiteral("https://halden.example.org/");
inline const QString SupportMailAddress = QStringLiteral("support@halden.example.org");
inline const QString SalesMailAddress = QStringLiteral("sales@halden.example.org");
inline const QString CommentsMailAddress = QStringLiteral("comments@halden.example.org");
inline const QString AuthorMailAddress = QStringLiteral("author@halden.example.org");
// Download pages of further speech voices.
inline const QString EngineDownloadSite = QStringLiteral("https://voices.example.net");

} // namespace kalo
