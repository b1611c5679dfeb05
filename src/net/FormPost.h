#pragma once

#include "net/WebText.h"

#include <QCoroTask>
#include <QString>

namespace zelvane {

class MessageBoxes;

inline const QString kPostAgent = QStringLiteral("http generic");
inline const QString kFormContentType = QStringLiteral("application/x-www-form-urlencoded");
inline const QString kExtendedErrorText = QStringLiteral("Extended error returned from server.");

// Posts already encoded form data ("a=1&b=2") to `address` and gives back the
// reply body, whatever its status. The address is taken apart with Url, whose
// UrlError reaches the caller. The reply is empty when nothing was read: a
// host that cannot be reached, a refused connection or a time-out give an
// empty reply and no message. Only an address that cannot be made into a
// request at all (no host, a port out of range) is reported in a box.
QCoro::Task<QString> postForm(QString address, QString formData, MessageBoxes& boxes,
                              NetTimeouts timeouts = {});
// The same post, with the whole exchange: its status tells whether the
// server took the form. Nothing when no request could be made.
QCoro::Task<std::optional<HttpReply>> postFormExchange(QString address, QString formData,
                                                       MessageBoxes& boxes,
                                                       NetTimeouts timeouts = {});

// The exclamation box of a request that could not be opened: the server's
// last response text when there is one (cut at its first NUL), otherwise a
// fixed text.
void reportInternetError(MessageBoxes& boxes, const QString& lastResponseInfo = QString());

} // namespace zelvane
