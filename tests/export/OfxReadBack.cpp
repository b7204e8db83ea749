#include "export/OfxReadBack.h"

#include <QFile>
#include <QTemporaryFile>

#include <libofx/libofx.h>

#include <cstdio>
#include <unistd.h>

namespace {

int onTransaction(const OfxTransactionData data, void *user)
{
    auto *r = static_cast<OfxReadBack *>(user);
    r->amounts.push_back(data.amount_valid ? data.amount : 0.0);
    r->fitids << (data.fi_id_valid ? QString::fromLatin1(data.fi_id) : QString());
    r->names << (data.name_valid ? QString::fromUtf8(data.name) : QString());
    r->memos << (data.memo_valid ? QString::fromUtf8(data.memo) : QString());
    return 0;
}

int onStatement(const OfxStatementData data, void *user)
{
    auto *r = static_cast<OfxReadBack *>(user);
    ++r->statements;
    if (data.ledger_balance_valid)
        r->ledgerBalance = data.ledger_balance;
    r->periodGiven = data.date_start_valid && data.date_end_valid;
    return 0;
}

int onAccount(const OfxAccountData data, void *user)
{
    auto *r = static_cast<OfxReadBack *>(user);
    if (data.account_id_valid)
        r->accountId = QString::fromLatin1(data.account_id);
    return 0;
}

// libofx reports parser errors on standard error only: capture it around the call.
class StderrCapture
{
public:
    StderrCapture()
    {
        m_file.open();
        std::fflush(stderr);
        m_saved = dup(STDERR_FILENO);
        dup2(m_file.handle(), STDERR_FILENO);
    }
    ~StderrCapture() { restore(); }
    StderrCapture(const StderrCapture &) = delete;
    StderrCapture &operator=(const StderrCapture &) = delete;

    QByteArray text()
    {
        restore();
        QFile copy(m_file.fileName());
        copy.open(QIODevice::ReadOnly);
        return copy.readAll();
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        dup2(m_saved, STDERR_FILENO);
        close(m_saved);
        m_saved = -1;
    }

    QTemporaryFile m_file;
    int m_saved = -1;
};

} // namespace

OfxReadBack OfxReadBack::read(const QString &path)
{
    OfxReadBack result;
    ofx_ERROR_msg = 1;
    ofx_WARNING_msg = 0;
    ofx_INFO_msg = 0;
    ofx_STATUS_msg = 0;
    LibofxContextPtr context = libofx_get_new_context();
    ofx_set_transaction_cb(context, onTransaction, &result);
    ofx_set_statement_cb(context, onStatement, &result);
    ofx_set_account_cb(context, onAccount, &result);
    QByteArray output;
    {
        StderrCapture capture;
        libofx_proc_file(context, QFile::encodeName(path).constData(), OFX);
        output = capture.text();
    }
    libofx_free_context(context);
    for (const QByteArray &line : output.split('\n')) {
        if (line.contains("ERROR"))
            result.errors << QString::fromLocal8Bit(line);
    }
    return result;
}
