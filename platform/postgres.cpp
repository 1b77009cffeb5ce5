// The PostgreSQL backend: connection, named parameters as $n, rows streamed one at a time.
#include <libpq-fe.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/calldeadline.h"
#include "platform/sql.h"
#include "platform/sql_backends.h"
#include "platform/sysutils.h"

namespace platform::sqlimpl {

namespace {

// Type identifiers of the built-in types we decode (pg_type.oid).
constexpr Oid kBoolOid = 16, kByteaOid = 17, kInt8Oid = 20, kInt2Oid = 21, kInt4Oid = 23,
              kOidOid = 26, kFloat4Oid = 700, kFloat8Oid = 701, kDateOid = 1082,
              kTimestampOid = 1114, kTimestampTzOid = 1184, kNumericOid = 1700;

/// How the text of a result column is decoded.
enum class TPgKind : std::uint8_t { Text, Bool, Integer, Real, Date, Bytea };

TPgKind KindOf(Oid type) {
    switch (type) {
    case kBoolOid: return TPgKind::Bool;
    case kByteaOid: return TPgKind::Bytea;
    case kInt2Oid:
    case kInt4Oid:
    case kInt8Oid:
    case kOidOid: return TPgKind::Integer;
    case kFloat4Oid:
    case kFloat8Oid:
    case kNumericOid: return TPgKind::Real;
    case kDateOid:
    case kTimestampOid:
    case kTimestampTzOid: return TPgKind::Date;
    default: return TPgKind::Text;
    }
}

TSqlColumnType ColumnTypeOf(TPgKind kind) {
    switch (kind) {
    case TPgKind::Bool:
    case TPgKind::Integer: return TSqlColumnType::Integer;
    case TPgKind::Real: return TSqlColumnType::Real;
    case TPgKind::Date: return TSqlColumnType::Date;
    case TPgKind::Bytea: return TSqlColumnType::Blob;
    case TPgKind::Text: break;
    }
    return TSqlColumnType::Text;
}

/// The server's own message of a failed result (or of the connection when there is none).
std::string ErrorOf(PGconn* conn, const PGresult* result) {
    if (result != nullptr) {
        if (const char* primary = PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY))
            return primary;
        const std::string message = PQresultErrorMessage(result);
        if (!message.empty()) return TrimRight(message);
    }
    return TrimRight(PQerrorMessage(conn));
}

struct TResultDeleter {
    void operator()(PGresult* result) const { PQclear(result); }
};
using TResult = std::unique_ptr<PGresult, TResultDeleter>;

/// Bytes of a bytea column's text ("\x" then hex digits, or the older escape format).
std::string DecodeBytea(std::string_view text) {
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    if (text.size() >= 2 && text[0] == '\\' && text[1] == 'x' && text.size() % 2 == 0) {
        std::string out;
        out.resize((text.size() - 2) / 2);
        for (std::size_t i = 0; i < out.size(); ++i) {
            const int high = hex(text[2 + 2 * i]), low = hex(text[3 + 2 * i]);
            if (high < 0 || low < 0)
                throw EConvertError("Conteúdo binário mal formado no banco de dados");
            out[i] = static_cast<char>(high * 16 + low);
        }
        return out;
    }
    const std::string zeroTerminated(text);
    std::size_t length = 0;
    unsigned char* raw =
        PQunescapeBytea(reinterpret_cast<const unsigned char*>(zeroTerminated.c_str()), &length);
    if (raw == nullptr) throw EConvertError("Conteúdo binário mal formado no banco de dados");
    std::string out(reinterpret_cast<const char*>(raw), length);
    PQfreemem(raw);
    return out;
}

/// Parameter values in the form PQexecParams takes. Every value but bytes is text of
/// unspecified type, so that the server infers the type from where the parameter stands.
class TPgParams {
public:
    TPgParams(const TNumberedSql& numbered, const TSqlParams& params, std::string_view sql) {
        const std::size_t count = numbered.names.size();
        texts_.resize(count);
        values_.assign(count, nullptr);
        lengths_.assign(count, 0);
        formats_.assign(count, 0);
        types_.assign(count, 0);
        for (std::size_t i = 0; i < count; ++i) {
            const std::string& name = numbered.names[i];
            const Variant* value = params.Find(name);
            if (value == nullptr) ThrowMissingParam(name, sql);
            switch (value->Type()) {
            case VarType::Empty:
            case VarType::Null: continue; // a null pointer is NULL
            case VarType::Boolean: texts_[i].assign(1, value->AsBoolean() ? '1' : '0'); break;
            case VarType::Integer: texts_[i] = std::to_string(value->AsInteger()); break;
            case VarType::Double: texts_[i] = DoubleToSqlText(value->AsDouble()); break;
            case VarType::String:
                texts_[i] = value->AsString();
                if (texts_[i].find('\0') != std::string::npos)
                    ThrowSqlError("o parâmetro " + name + " contém um caractere nulo", sql);
                break;
            case VarType::Date: texts_[i] = FormatSqlDate(value->AsDate()); break;
            case VarType::Bytes: {
                const std::string& bytes = value->AsBytes();
                values_[i] = bytes.data();
                lengths_[i] = static_cast<int>(bytes.size());
                formats_[i] = 1;
                types_[i] = kByteaOid;
                continue;
            }
            case VarType::Array: ThrowUnsupportedParam(name, *value, sql);
            }
            values_[i] = texts_[i].c_str();
        }
    }

    int Count() const { return static_cast<int>(values_.size()); }
    const Oid* Types() const { return types_.data(); }
    const char* const* Values() const { return values_.data(); }
    const int* Lengths() const { return lengths_.data(); }
    const int* Formats() const { return formats_.data(); }

private:
    std::vector<std::string> texts_;
    std::vector<const char*> values_;
    std::vector<int> lengths_;
    std::vector<int> formats_;
    std::vector<Oid> types_;
};

class TPgCursor;

/// Rows a cursor hands out between two looks at the call's deadline.
constexpr std::uint32_t kDeadlineCheckRows = 4096;
/// Longest wait on the socket between two looks at the deadline, so that a Cancel() from
/// another thread (a stopping server) is noticed this soon.
constexpr std::chrono::milliseconds kDeadlineSlice{50};

/// The connection handle, shared by the connection and its cursors. Invariant: while
/// `streaming` is set, that cursor's rows are still arriving and nothing else may be sent.
///
/// Deadlines. Statements are sent asynchronously and their results awaited with poll() on the
/// socket, in slices, watching the current call's deadline; once it has passed the statement is
/// cancelled (PQcancel), its results are dropped and ECallCancelled is raised. This costs no
/// round trip (statement_timeout would need a SET before each statement) and also ends a
/// statement when another thread cancels the deadline. Without a deadline the results are
/// awaited as PQexecParams awaits them.
struct TPgSession {
    PGconn* conn = nullptr;
    TPgCursor* streaming = nullptr;

    ~TPgSession() { PQfinish(conn); }
    /// Reads the rest of a streaming cursor's rows into it, so that the connection is free.
    /// With `watched` a deadline that passes meanwhile cancels the statement and raises.
    void FinishStreaming(bool watched = false);
    /// The next result of the statement in flight (PQgetResult), waiting no longer than the
    /// current call's deadline; past it, cancels the statement and raises ECallCancelled.
    PGresult* NextResult();
    /// Asks the server to cancel the statement in flight and drops its remaining results; a
    /// streaming cursor ends with the deadline's message. The connection is then idle.
    void CancelStatement(const TCallDeadline& deadline);
    /// CancelStatement, then raises the deadline's ECallCancelled.
    [[noreturn]] void Cancelled(const TCallDeadline& deadline);
};

/// The current call's deadline when it has passed, else nullptr.
const TCallDeadline* PassedDeadline() {
    const TCallDeadline* deadline = CurrentCallDeadline();
    return deadline != nullptr && deadline->Expired() ? deadline : nullptr;
}

class TPgCursor final : public TNamedColumnsCursor {
public:
    TPgCursor(std::shared_ptr<TPgSession> session, std::string_view sql, const TSqlParams& params)
        : session_(std::move(session)), sql_(sql) {
        session_->FinishStreaming();
        PGconn* conn = session_->conn;
        const TNumberedSql numbered = NumberParams(sql);
        const TPgParams values(numbered, params, sql);
        startedInTransaction_ = PQtransactionStatus(conn) != PQTRANS_IDLE;
        if (!PQsendQueryParams(conn, numbered.text.c_str(), values.Count(), values.Types(),
                               values.Values(), values.Lengths(), values.Formats(), 0))
            ThrowSqlError(ErrorOf(conn, nullptr), sql_);
        PQsetSingleRowMode(conn);
        streaming_ = true;
        session_->streaming = this;

        // The first result carries the columns (and reports a failed statement at once).
        PGresult* first = session_->NextResult();
        const ExecStatusType status = first != nullptr ? PQresultStatus(first) : PGRES_FATAL_ERROR;
        if (status != PGRES_SINGLE_TUPLE && status != PGRES_TUPLES_OK &&
            status != PGRES_COMMAND_OK) {
            const std::string message = ErrorOf(conn, first);
            PQclear(first);
            EndStream();
            ThrowSqlError(message, sql_);
        }
        const int count = PQnfields(first);
        for (int i = 0; i < count; ++i) {
            names_.emplace_back(PQfname(first, i));
            kinds_.push_back(KindOf(PQftype(first, i)));
        }
        scratch_.resize(static_cast<std::size_t>(count));
        decoded_.assign(static_cast<std::size_t>(count), false);
        if (status == PGRES_SINGLE_TUPLE) {
            pending_.reset(first);
        } else {
            PQclear(first);
            EndStream();
        }
    }

    ~TPgCursor() override {
        // Unread rows are read and dropped: cancelling could undo a statement's changes. Past
        // the call's deadline the call fails anyway, and its transaction rolls back.
        if (streaming_) {
            if (const TCallDeadline* deadline = PassedDeadline())
                session_->CancelStatement(*deadline);
            else
                EndStream();
        }
        for (PGresult* result : buffered_) PQclear(result);
    }

    bool Next() override {
        row_.reset();
        std::fill(decoded_.begin(), decoded_.end(), false);
        if (++rows_ % kDeadlineCheckRows == 0) {
            if (const TCallDeadline* deadline = PassedDeadline()) {
                if (streaming_) session_->Cancelled(*deadline);
                deadline->ThrowIfExpired();
            }
        }
        if (pending_) {
            row_ = std::move(pending_);
            return true;
        }
        if (!buffered_.empty()) {
            row_.reset(buffered_.front());
            buffered_.pop_front();
            return true;
        }
        if (!cancelledMessage_.empty()) throw ECallCancelled(cancelledMessage_);
        if (!bufferedError_.empty()) {
            const std::string message = std::move(bufferedError_);
            bufferedError_.clear();
            ThrowSqlError(message, sql_);
        }
        if (!streaming_) return false;
        TResult result(session_->NextResult());
        const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_TUPLES_OK;
        if (status == PGRES_SINGLE_TUPLE) {
            row_ = std::move(result);
            return true;
        }
        std::string message;
        if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK)
            message = ErrorOf(session_->conn, result.get());
        result.reset();
        EndStream();
        if (!message.empty()) ThrowSqlError(message, sql_);
        return false;
    }

    /// Moves every row still arriving into memory (another statement is about to be sent).
    void BufferRest(bool watched) {
        while (PGresult* result = watched ? session_->NextResult() : PQgetResult(session_->conn)) {
            const ExecStatusType status = PQresultStatus(result);
            if (status == PGRES_SINGLE_TUPLE) {
                buffered_.push_back(result);
                continue;
            }
            if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK && bufferedError_.empty())
                bufferedError_ = ErrorOf(session_->conn, result);
            PQclear(result);
        }
        streaming_ = false;
        session_->streaming = nullptr;
    }

    bool StartedInTransaction() const { return startedInTransaction_; }

    /// The statement was cancelled and its rows dropped: the rows not yet read are lost, so
    /// reading on raises ECallCancelled with `message` once the rows already here are read.
    void Abandon(std::string message) {
        streaming_ = false;
        session_->streaming = nullptr;
        cancelledMessage_ = std::move(message);
    }

    TSqlColumnType ColumnType(int column) const override {
        CheckIndex(column);
        return ColumnTypeOf(kinds_[static_cast<std::size_t>(column)]);
    }

    bool IsNull(int column) const override {
        CheckRow(column);
        return PQgetisnull(row_.get(), 0, column) != 0;
    }

    std::string_view Text(int column) const override {
        CheckRow(column);
        if (PQgetisnull(row_.get(), 0, column)) return {};
        const std::string_view raw = RawText(column);
        switch (kinds_[static_cast<std::size_t>(column)]) {
        case TPgKind::Bool: return raw == "t" ? "1" : "0";
        case TPgKind::Bytea: {
            const auto index = static_cast<std::size_t>(column);
            if (!decoded_[index]) {
                scratch_[index] = DecodeBytea(raw);
                decoded_[index] = true;
            }
            return scratch_[index];
        }
        default: return raw;
        }
    }

    std::int64_t Int64(int column) const override {
        CheckRow(column);
        if (PQgetisnull(row_.get(), 0, column)) return 0;
        const std::string_view raw = RawText(column);
        switch (kinds_[static_cast<std::size_t>(column)]) {
        case TPgKind::Bool: return raw == "t" ? 1 : 0;
        case TPgKind::Date: return DoubleToInt64(ParseSqlDate(raw));
        case TPgKind::Bytea: NotANumber(column);
        default: return TextToInt64(raw);
        }
    }

    double Double(int column) const override {
        CheckRow(column);
        if (PQgetisnull(row_.get(), 0, column)) return 0.0;
        const std::string_view raw = RawText(column);
        switch (kinds_[static_cast<std::size_t>(column)]) {
        case TPgKind::Bool: return raw == "t" ? 1.0 : 0.0;
        case TPgKind::Date: return ParseSqlDate(raw);
        case TPgKind::Bytea: NotANumber(column);
        default: return TextToDouble(raw);
        }
    }

    Variant Value(int column) const override {
        CheckRow(column);
        if (PQgetisnull(row_.get(), 0, column)) return Variant::Null();
        const std::string_view raw = RawText(column);
        switch (kinds_[static_cast<std::size_t>(column)]) {
        case TPgKind::Bool: return Variant(static_cast<std::int64_t>(raw == "t" ? 1 : 0));
        case TPgKind::Integer: return Variant(TextToInt64(raw));
        case TPgKind::Real: return Variant(TextToDouble(raw));
        case TPgKind::Date: return Variant::FromDate(ParseSqlDate(raw));
        case TPgKind::Bytea: return Variant::FromBytes(DecodeBytea(raw));
        case TPgKind::Text: break;
        }
        return Variant(raw);
    }

private:
    std::shared_ptr<TPgSession> session_;
    std::string sql_;
    std::vector<TPgKind> kinds_;
    mutable std::vector<std::string> scratch_; // decoded bytea texts of the current row
    mutable std::vector<bool> decoded_;        // which of scratch_ hold the current row's
    TResult row_;                              // the current row (a one-row result)
    TResult pending_;                          // the first row, read when the cursor opened
    std::deque<PGresult*> buffered_;           // rows read ahead by BufferRest()
    std::string bufferedError_;                // the failure that ended a buffered stream
    std::string cancelledMessage_;             // the deadline that ended the stream
    std::uint32_t rows_ = 0;                   // calls of Next, for the deadline checks
    bool streaming_ = false;
    bool startedInTransaction_ = false;

    std::string_view RawText(int column) const {
        return {PQgetvalue(row_.get(), 0, column),
                static_cast<std::size_t>(PQgetlength(row_.get(), 0, column))};
    }

    void EndStream() {
        while (PGresult* result = PQgetResult(session_->conn)) PQclear(result);
        streaming_ = false;
        session_->streaming = nullptr;
    }

    void CheckRow(int column) const {
        CheckIndex(column);
        if (!row_) throw EDatabaseError("O cursor não está sobre uma linha");
    }
};

void TPgSession::FinishStreaming(bool watched) {
    if (streaming != nullptr) streaming->BufferRest(watched);
}

PGresult* TPgSession::NextResult() {
    const TCallDeadline* deadline = CurrentCallDeadline();
    if (deadline == nullptr) return PQgetResult(conn);
    while (PQisBusy(conn)) {
        if (deadline->Expired()) Cancelled(*deadline);
        pollfd watched{PQsocket(conn), POLLIN, 0};
        const auto wait = std::min(deadline->Remaining(), kDeadlineSlice);
        const int ready = poll(&watched, 1, static_cast<int>(wait.count()));
        // A failing socket or connection is left for PQgetResult to report.
        if (ready < 0 && errno != EINTR) break;
        if (ready > 0 && PQconsumeInput(conn) == 0) break;
    }
    return PQgetResult(conn);
}

void TPgSession::CancelStatement(const TCallDeadline& deadline) {
    if (PGcancel* cancel = PQgetCancel(conn)) {
        // When the request cannot be sent the statement runs to its end, and is dropped then.
        char error[256];
        PQcancel(cancel, error, sizeof error);
        PQfreeCancel(cancel);
    }
    while (PGresult* result = PQgetResult(conn)) PQclear(result);
    if (streaming != nullptr) streaming->Abandon(deadline.CancelMessage());
}

void TPgSession::Cancelled(const TCallDeadline& deadline) {
    CancelStatement(deadline);
    deadline.ThrowIfExpired();
    throw ECallCancelled(deadline.CancelMessage()); // Expired() never turns false again
}

// Created in the current schema. NVL takes any two compatible types; NVLSTR treats '' as
// missing; PARAM is a set-returning function of one row. All are plain SQL that the planner
// inlines, so "CDEMPRESA = NVLSTR(P.PARAM, CDEMPRESA)" still uses the index on CDEMPRESA.
constexpr const char* kHelperFunctions = R"sql(
SELECT pg_advisory_xact_lock(7263540901);
CREATE OR REPLACE FUNCTION nvl(a anycompatible, b anycompatible) RETURNS anycompatible
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS 'SELECT COALESCE(a, b)';
CREATE OR REPLACE FUNCTION nvlstr(a text, b text) RETURNS text
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$SELECT CASE WHEN a IS NULL OR a = '' THEN b ELSE a END$$;
CREATE OR REPLACE FUNCTION param(p text) RETURNS TABLE(param text)
    LANGUAGE sql IMMUTABLE PARALLEL SAFE AS 'SELECT p';
)sql";

class TPgConnection final : public TSqlConnection {
public:
    TPgConnection(std::shared_ptr<TPgSession> session, std::string redactedUrl)
        : TSqlConnection(std::move(redactedUrl)), session_(std::move(session)) {}

    TSqlKind Kind() const override { return TSqlKind::PostgreSQL; }

    void EnsureHelperFunctions() override {
        // The advisory lock serialises connections that create the functions at the same time.
        if (InTransaction()) {
            DoExecuteScript(kHelperFunctions);
            return;
        }
        TSqlTransaction transaction(*this);
        DoExecuteScript(kHelperFunctions);
        transaction.Commit();
    }

    bool Connected() override {
        if (PQstatus(session_->conn) != CONNECTION_OK) return false;
        if (session_->streaming != nullptr) return true; // a statement in flight: not idle
        // An idle connection receives nothing unless the server ends it: it sends its reason
        // and closes the socket. Any pending input or a hang-up therefore means a dead link.
        pollfd watched{PQsocket(session_->conn), POLLIN, 0};
        if (watched.fd < 0) return false;
        const int ready = poll(&watched, 1, 0);
        return ready == 0;
    }

    bool Ping() override {
        if (!Connected()) return false;
        const TResult result(PQexec(session_->conn, ""));
        return result.get() != nullptr && PQresultStatus(result.get()) == PGRES_EMPTY_QUERY;
    }

    bool InTransaction() const override {
        switch (PQtransactionStatus(session_->conn)) {
        case PQTRANS_INTRANS:
        case PQTRANS_INERROR: return true;
        case PQTRANS_ACTIVE:
            return session_->streaming != nullptr && session_->streaming->StartedInTransaction();
        default: return false;
        }
    }

    void Begin() override {
        if (InTransaction()) throw EDatabaseError("Já existe uma transação aberta nesta conexão");
        Command("BEGIN");
    }

    void Commit() override {
        session_->FinishStreaming();
        switch (PQtransactionStatus(session_->conn)) {
        case PQTRANS_IDLE:
            throw EDatabaseError("Não há transação aberta para confirmar: ela não foi iniciada "
                                 "ou foi desfeita pelo banco de dados");
        case PQTRANS_INERROR: Command("ROLLBACK"); throw EDatabaseError(kUndone);
        default: break;
        }
        const TResult result = Command("COMMIT");
        // A transaction that failed on the server answers COMMIT with ROLLBACK.
        if (std::string_view(PQcmdStatus(result.get())) != "COMMIT") throw EDatabaseError(kUndone);
    }

    void Rollback() override {
        session_->FinishStreaming();
        if (PQtransactionStatus(session_->conn) != PQTRANS_IDLE) Command("ROLLBACK");
    }

protected:
    std::int64_t DoExecute(std::string_view sql, const TSqlParams& params) override {
        session_->FinishStreaming(true);
        const TNumberedSql numbered = NumberParams(sql);
        const TPgParams values(numbered, params, sql);
        if (!PQsendQueryParams(session_->conn, numbered.text.c_str(), values.Count(),
                               values.Types(), values.Values(), values.Lengths(), values.Formats(),
                               0))
            ThrowSqlError(ErrorOf(session_->conn, nullptr), sql);
        const TResult result = LastResult();
        Check(result.get(), sql);
        const char* tuples = PQcmdTuples(result.get());
        return *tuples != '\0' ? TextToInt64(tuples) : 0;
    }

    std::unique_ptr<TSqlCursor> DoOpenCursor(std::string_view sql,
                                             const TSqlParams& params) override {
        session_->FinishStreaming(true);
        return std::make_unique<TPgCursor>(session_, sql, params);
    }

    void DoExecuteScript(std::string_view sql) override {
        session_->FinishStreaming(true);
        const std::string text(sql);
        if (!PQsendQuery(session_->conn, text.c_str()))
            ThrowSqlError(ErrorOf(session_->conn, nullptr), sql);
        const TResult result = LastResult();
        Check(result.get(), sql);
    }

private:
    static constexpr const char* kUndone =
        "A transação foi desfeita por um erro anterior e não foi confirmada";
    std::shared_ptr<TPgSession> session_;

    void Check(const PGresult* result, std::string_view sql) const {
        const ExecStatusType status =
            result != nullptr ? PQresultStatus(result) : PGRES_FATAL_ERROR;
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            ThrowSqlError(ErrorOf(session_->conn, result), sql);
    }

    /// The results of the statement just sent, as PQexec gives them: the first failure, else
    /// the last result.
    TResult LastResult() {
        auto failed = [](const PGresult* result) {
            const ExecStatusType status = PQresultStatus(result);
            return status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK;
        };
        TResult kept;
        while (PGresult* next = session_->NextResult()) {
            if (kept && failed(kept.get()))
                PQclear(next);
            else
                kept.reset(next);
        }
        return kept;
    }

    TResult Command(const char* sql) {
        session_->FinishStreaming();
        TResult result(PQexec(session_->conn, sql));
        Check(result.get(), sql);
        return result;
    }
};

} // namespace

std::unique_ptr<TSqlConnection> OpenPostgres(const std::string& url, std::string redactedUrl) {
    auto session = std::make_shared<TPgSession>();
    // A connect time-out unless the URL sets its own (later keywords win).
    const char* keywords[] = {"connect_timeout", "dbname", nullptr};
    const char* values[] = {"10", url.c_str(), nullptr};
    session->conn = PQconnectdbParams(keywords, values, 1);
    auto fail = [&](const std::string& message) {
        throw EDatabaseError("Não foi possível conectar ao banco de dados " + redactedUrl + ": " +
                             message);
    };
    if (session->conn == nullptr) fail("memória insuficiente");
    if (PQstatus(session->conn) != CONNECTION_OK) fail(TrimRight(PQerrorMessage(session->conn)));
    PQsetNoticeProcessor(
        session->conn, [](void*, const char*) {}, nullptr);
    if (PQsetClientEncoding(session->conn, "UTF8") != 0)
        fail(TrimRight(PQerrorMessage(session->conn)));
    {
        // Dates come back as ISO text, which ParseSqlDate reads.
        const TResult result(PQexec(session->conn, "SET datestyle TO ISO, YMD"));
        if (PQresultStatus(result.get()) != PGRES_COMMAND_OK)
            fail(ErrorOf(session->conn, result.get()));
    }
    return std::make_unique<TPgConnection>(session, std::move(redactedUrl));
}

} // namespace platform::sqlimpl
