#include "notify/SessionMailer.h"

#include "notify/LoginFailMail.h"
#include "notify/ResultsViewModel.h"

namespace zelvane {

QList<MailRow> mailRows(const ResultsViewModel& results)
{
    QList<MailRow> rows;
    for (int i = 1; i <= results.count(); ++i) {
        const ResultsViewModel::Row& r = results.row(i);
        rows.append({r.cells[0], r.cells[1], r.cells[2], r.icon});
    }
    return rows;
}

SessionMailer::SessionMailer(const ResultsViewModel& results, const clsSettings& settings,
                             StatusLine& status, MessageBoxes& boxes)
    : results_(results), settings_(settings), status_(status), boxes_(boxes)
{
}

QCoro::Task<> SessionMailer::sendmail()
{
    co_await zelvane::sendmail(mailRows(results_), settings_, status_, startJustSent);
}

QCoro::Task<> SessionMailer::QFLoginFailMail()
{
    co_await zelvane::QFLoginFailMail(settings_, boxes_);
}

} // namespace zelvane
