// The SQLite backend: connection, statement cache, cursor and the helper functions NVL, NVLSTR,
// PARAM.
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/calldeadline.h"
#include "platform/sql.h"
#include "platform/sql_backends.h"
#include "platform/sysutils.h"

namespace platform::sqlimpl {

namespace {

/// How long a statement waits for another connection's lock before failing.
constexpr int kBusyTimeoutMs = 30000;
/// Prepared statements kept per connection, reused for the same text.
constexpr std::size_t kStatementCacheSize = 32;
/// Virtual machine steps between two looks at the call's deadline while a statement runs.
constexpr int kDeadlineCheckSteps = 1000;
/// Rows a cursor hands out between two looks at the call's deadline.
constexpr std::uint32_t kDeadlineCheckRows = 4096;

// ---- Deadline ------------------------------------------------------------------------------

// Interrupts the running statement once the current thread's call is past its deadline (or
// cancelled); the step then fails with SQLITE_INTERRUPT, which ThrowStatementError turns into
// the deadline's own ECallCancelled. Outside a call it costs one thread-local read.
int DeadlineProgress(void*) {
    const TCallDeadline* deadline = CurrentCallDeadline();
    return deadline != nullptr && deadline->Expired() ? 1 : 0;
}

// Waits for another connection's lock as sqlite3_busy_timeout does (short sleeps first, at
// most kBusyTimeoutMs in all), but gives up as soon as the call's deadline has passed.
int BusyWait(void*, int count) {
    static constexpr int kDelays[] = {1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50, 100};
    static constexpr int kSteps = static_cast<int>(std::size(kDelays));
    const TCallDeadline* deadline = CurrentCallDeadline();
    if (deadline != nullptr && deadline->Expired()) return 0;
    int waited = 0;
    for (int i = 0; i < std::min(count, kSteps); ++i) waited += kDelays[i];
    if (count > kSteps) waited += (count - kSteps) * kDelays[kSteps - 1];
    const int delay = std::min(kDelays[std::min(count, kSteps - 1)], kBusyTimeoutMs - waited);
    if (delay <= 0) return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    return 1;
}

/// Installs the deadline's progress handler and lock wait on a connection.
void WatchDeadline(sqlite3* db) {
    sqlite3_progress_handler(db, kDeadlineCheckSteps, DeadlineProgress, nullptr);
    sqlite3_busy_handler(db, BusyWait, nullptr);
}

/// Raises the failure of a statement: ECallCancelled when the deadline stopped it (an
/// interrupted step, or a lock no longer waited for), EDatabaseError otherwise.
[[noreturn]] void ThrowStatementError(int rc, std::string_view message, std::string_view sql) {
    const int primary = rc & 0xff;
    if (primary == SQLITE_INTERRUPT || primary == SQLITE_BUSY)
        if (const TCallDeadline* deadline = CurrentCallDeadline()) deadline->ThrowIfExpired();
    ThrowSqlError(message, sql);
}

// ---- Helper functions ------------------------------------------------------------------

void NvlFunction(sqlite3_context* context, int, sqlite3_value** argv) {
    sqlite3_result_value(context, sqlite3_value_type(argv[0]) != SQLITE_NULL ? argv[0] : argv[1]);
}

void NvlStrFunction(sqlite3_context* context, int, sqlite3_value** argv) {
    const int type = sqlite3_value_type(argv[0]);
    const bool missing =
        type == SQLITE_NULL || (type == SQLITE_TEXT && sqlite3_value_bytes(argv[0]) == 0);
    sqlite3_result_value(context, missing ? argv[1] : argv[0]);
}

// PARAM(x): an eponymous virtual table of one row whose column PARAM is x. The argument of a
// table-valued function is an equality constraint on the hidden column ARG.
struct TParamCursor {
    sqlite3_vtab_cursor base;
    sqlite3_value* value; // owned copy of the argument, or nullptr for NULL
    bool eof;
};

int ParamConnect(sqlite3* db, void*, int, const char* const*, sqlite3_vtab** vtab, char**) {
    const int rc = sqlite3_declare_vtab(db, "CREATE TABLE x(PARAM, ARG HIDDEN)");
    if (rc != SQLITE_OK) return rc;
    sqlite3_vtab_config(db, SQLITE_VTAB_INNOCUOUS);
    *vtab = static_cast<sqlite3_vtab*>(sqlite3_malloc(sizeof(sqlite3_vtab)));
    if (*vtab == nullptr) return SQLITE_NOMEM;
    std::memset(*vtab, 0, sizeof(sqlite3_vtab));
    return SQLITE_OK;
}

int ParamDisconnect(sqlite3_vtab* vtab) {
    sqlite3_free(vtab);
    return SQLITE_OK;
}

int ParamBestIndex(sqlite3_vtab*, sqlite3_index_info* info) {
    info->idxNum = 0;
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& constraint = info->aConstraint[i];
        if (constraint.iColumn != 1 || constraint.op != SQLITE_INDEX_CONSTRAINT_EQ) continue;
        // The argument refers to something not yet available in this join order.
        if (!constraint.usable) return SQLITE_CONSTRAINT;
        info->aConstraintUsage[i].argvIndex = 1;
        info->aConstraintUsage[i].omit = 1; // a NULL argument must still give its row
        info->idxNum = 1;
    }
    info->estimatedCost = 1.0;
    info->estimatedRows = 1;
    info->idxFlags = SQLITE_INDEX_SCAN_UNIQUE;
    return SQLITE_OK;
}

int ParamOpen(sqlite3_vtab*, sqlite3_vtab_cursor** cursor) {
    auto* c = static_cast<TParamCursor*>(sqlite3_malloc(sizeof(TParamCursor)));
    if (c == nullptr) return SQLITE_NOMEM;
    std::memset(c, 0, sizeof(TParamCursor));
    c->eof = true;
    *cursor = &c->base;
    return SQLITE_OK;
}

int ParamClose(sqlite3_vtab_cursor* cursor) {
    auto* c = reinterpret_cast<TParamCursor*>(cursor);
    sqlite3_value_free(c->value);
    sqlite3_free(c);
    return SQLITE_OK;
}

int ParamFilter(sqlite3_vtab_cursor* cursor, int idxNum, const char*, int argc,
                sqlite3_value** argv) {
    auto* c = reinterpret_cast<TParamCursor*>(cursor);
    sqlite3_value_free(c->value);
    c->value = nullptr;
    if (idxNum == 1 && argc == 1) {
        c->value = sqlite3_value_dup(argv[0]);
        if (c->value == nullptr) return SQLITE_NOMEM;
    }
    c->eof = false;
    return SQLITE_OK;
}

int ParamNext(sqlite3_vtab_cursor* cursor) {
    reinterpret_cast<TParamCursor*>(cursor)->eof = true;
    return SQLITE_OK;
}

int ParamEof(sqlite3_vtab_cursor* cursor) {
    return reinterpret_cast<TParamCursor*>(cursor)->eof;
}

int ParamColumn(sqlite3_vtab_cursor* cursor, sqlite3_context* context, int) {
    auto* c = reinterpret_cast<TParamCursor*>(cursor);
    if (c->value != nullptr)
        sqlite3_result_value(context, c->value);
    else
        sqlite3_result_null(context);
    return SQLITE_OK;
}

int ParamRowid(sqlite3_vtab_cursor*, sqlite3_int64* rowid) {
    *rowid = 1;
    return SQLITE_OK;
}

sqlite3_module MakeParamModule() {
    sqlite3_module module{};
    module.iVersion = 0;
    module.xCreate = nullptr; // eponymous only: no CREATE VIRTUAL TABLE ... USING PARAM
    module.xConnect = ParamConnect;
    module.xBestIndex = ParamBestIndex;
    module.xDisconnect = ParamDisconnect;
    module.xDestroy = ParamDisconnect;
    module.xOpen = ParamOpen;
    module.xClose = ParamClose;
    module.xFilter = ParamFilter;
    module.xNext = ParamNext;
    module.xEof = ParamEof;
    module.xColumn = ParamColumn;
    module.xRowid = ParamRowid;
    return module;
}

const sqlite3_module kParamModule = MakeParamModule();

// ---- Statements ----------------------------------------------------------------------------

/// How Execute() counts the rows of a statement.
enum class TRowCount : std::uint8_t { None, Changes, Returned };

/// A prepared statement, cached by the text it was prepared from. Invariant: a statement not
/// in use is reset and has no bindings.
struct TStatement {
    std::string sql;
    sqlite3_stmt* stmt = nullptr;
    TRowCount rowCount = TRowCount::None;
    bool cached = false;
    bool inUse = false;
    std::uint64_t lastUse = 0;
};

/// The database handle and its statements, shared by the connection and its cursors so that
/// a cursor never outlives what it reads.
class TSqliteSession {
public:
    sqlite3* db = nullptr;

    ~TSqliteSession() {
        for (auto& entry : cache_) sqlite3_finalize(entry->stmt);
        sqlite3_close_v2(db);
    }

    TStatement* Acquire(std::string_view sql);
    void Release(TStatement* entry);

    std::string ErrorMessage() const { return sqlite3_errmsg(db); }

private:
    std::vector<std::unique_ptr<TStatement>> cache_;
    std::uint64_t clock_ = 0;

    std::unique_ptr<TStatement> Prepare(std::string_view sql);
};

bool OnlyBlanksAndSemicolons(std::string_view text) {
    for (const TSqlToken& token : TokenizeSql(text)) {
        if (token.kind == TSqlToken::Space || token.kind == TSqlToken::Comment) continue;
        if (token.kind == TSqlToken::Other && text[token.begin] == ';') continue;
        return false;
    }
    return true;
}

TRowCount RowCountOf(sqlite3_stmt* stmt, std::string_view sql) {
    if (sqlite3_stmt_readonly(stmt))
        return sqlite3_column_count(stmt) > 0 ? TRowCount::Returned : TRowCount::None;
    for (const TSqlToken& token : TokenizeSql(sql)) {
        if (token.kind != TSqlToken::Word) continue;
        const std::string_view word = sql.substr(token.begin, token.end - token.begin);
        for (const char* dml : {"INSERT", "UPDATE", "DELETE", "REPLACE", "WITH"})
            if (SameText(word, dml)) return TRowCount::Changes;
        return TRowCount::None;
    }
    return TRowCount::None;
}

std::unique_ptr<TStatement> TSqliteSession::Prepare(std::string_view sql) {
    const std::string_view text = StripTrailingForUpdate(sql);
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v3(db, text.data(), static_cast<int>(text.size()),
                                      SQLITE_PREPARE_PERSISTENT, &stmt, &tail);
    if (rc != SQLITE_OK) ThrowStatementError(rc, ErrorMessage(), sql);
    if (stmt == nullptr) ThrowSqlError("comando vazio", sql);
    if (tail != nullptr &&
        !OnlyBlanksAndSemicolons(text.substr(static_cast<std::size_t>(tail - text.data())))) {
        sqlite3_finalize(stmt);
        ThrowSqlError("o texto tem mais de um comando (use ExecuteScript)", sql);
    }
    auto entry = std::make_unique<TStatement>();
    entry->sql = sql;
    entry->stmt = stmt;
    entry->rowCount = RowCountOf(stmt, text);
    return entry;
}

TStatement* TSqliteSession::Acquire(std::string_view sql) {
    ++clock_;
    for (auto& entry : cache_) {
        if (!entry->inUse && entry->sql == sql) {
            entry->inUse = true;
            entry->lastUse = clock_;
            return entry.get();
        }
    }
    std::unique_ptr<TStatement> fresh = Prepare(sql);
    fresh->inUse = true;
    fresh->lastUse = clock_;
    if (cache_.size() >= kStatementCacheSize) {
        // Evict the least recently used statement that nobody holds.
        auto victim = cache_.end();
        for (auto it = cache_.begin(); it != cache_.end(); ++it)
            if (!(*it)->inUse && (victim == cache_.end() || (*it)->lastUse < (*victim)->lastUse))
                victim = it;
        if (victim == cache_.end()) return fresh.release(); // all held: this one is not cached
        sqlite3_finalize((*victim)->stmt);
        cache_.erase(victim);
    }
    fresh->cached = true;
    cache_.push_back(std::move(fresh));
    return cache_.back().get();
}

void TSqliteSession::Release(TStatement* entry) {
    sqlite3_reset(entry->stmt);
    sqlite3_clear_bindings(entry->stmt);
    entry->inUse = false;
    if (!entry->cached) {
        sqlite3_finalize(entry->stmt);
        delete entry;
    }
}

/// A statement held for one execution; released (reset, unbound) when it goes.
class TLease {
public:
    TLease(std::shared_ptr<TSqliteSession> session, std::string_view sql)
        : session_(std::move(session)), entry_(session_->Acquire(sql)) {}
    ~TLease() { session_->Release(entry_); }
    TLease(const TLease&) = delete;
    TLease& operator=(const TLease&) = delete;

    sqlite3_stmt* Stmt() const { return entry_->stmt; }
    const TStatement& Entry() const { return *entry_; }
    TSqliteSession& Session() const { return *session_; }

private:
    std::shared_ptr<TSqliteSession> session_;
    TStatement* entry_;
};

void CheckBind(int rc, TLease& lease, std::string_view sql) {
    if (rc != SQLITE_OK) ThrowSqlError(lease.Session().ErrorMessage(), sql);
}

/// Binds every :NAME of the statement from the parameters. With copyValues false byte strings
/// are bound in place, so the parameters must outlive the execution.
void BindParams(TLease& lease, const TSqlParams& params, std::string_view sql, bool copyValues) {
    sqlite3_stmt* stmt = lease.Stmt();
    const int count = sqlite3_bind_parameter_count(stmt);
    const auto lifetime = copyValues ? SQLITE_TRANSIENT : SQLITE_STATIC;
    for (int i = 1; i <= count; ++i) {
        const char* rawName = sqlite3_bind_parameter_name(stmt, i);
        if (rawName == nullptr)
            ThrowSqlError("parâmetros sem nome (?) não são aceitos; use :NOME", sql);
        const std::string_view name(rawName + 1);
        const Variant* value = params.Find(name);
        if (value == nullptr) ThrowMissingParam(name, sql);
        switch (value->Type()) {
        case VarType::Empty:
        case VarType::Null: CheckBind(sqlite3_bind_null(stmt, i), lease, sql); break;
        case VarType::Boolean:
            CheckBind(sqlite3_bind_int(stmt, i, value->AsBoolean() ? 1 : 0), lease, sql);
            break;
        case VarType::Integer:
            CheckBind(sqlite3_bind_int64(stmt, i, value->AsInteger()), lease, sql);
            break;
        case VarType::Double:
            CheckBind(sqlite3_bind_double(stmt, i, value->AsDouble()), lease, sql);
            break;
        case VarType::String: {
            const std::string text = value->AsString();
            CheckBind(sqlite3_bind_text64(stmt, i, text.data(), text.size(), SQLITE_TRANSIENT,
                                          SQLITE_UTF8),
                      lease, sql);
            break;
        }
        case VarType::Date: {
            const std::string text = FormatSqlDate(value->AsDate());
            CheckBind(sqlite3_bind_text64(stmt, i, text.data(), text.size(), SQLITE_TRANSIENT,
                                          SQLITE_UTF8),
                      lease, sql);
            break;
        }
        case VarType::Bytes: {
            const std::string& bytes = value->AsBytes();
            CheckBind(bytes.empty()
                          ? sqlite3_bind_zeroblob(stmt, i, 0)
                          : sqlite3_bind_blob64(stmt, i, bytes.data(), bytes.size(), lifetime),
                      lease, sql);
            break;
        }
        case VarType::Array: ThrowUnsupportedParam(name, *value, sql);
        }
    }
}

[[noreturn]] void ThrowStepError(int rc, TLease& lease, std::string_view sql) {
    // The message belongs to the failed step; read it before the statement is reset.
    const std::string message = lease.Session().ErrorMessage();
    ThrowStatementError(rc, message, sql);
}

// ---- Cursor ----------------------------------------------------------------------------------

/// The type a column's declaration gives its values; Dynamic when it has none (expressions).
enum class TDeclared : std::uint8_t { Dynamic, Integer, Real, Text, Date, Blob };

TDeclared DeclaredType(const char* declaration) {
    if (declaration == nullptr || *declaration == '\0') return TDeclared::Dynamic;
    const std::string type = UpperCase(declaration);
    auto has = [&](const char* part) { return type.find(part) != std::string::npos; };
    if (has("DATE") || type.starts_with("TIME")) return TDeclared::Date;
    if (has("INT")) return TDeclared::Integer;
    if (has("CHAR") || has("CLOB") || has("TEXT")) return TDeclared::Text;
    if (has("BLOB")) return TDeclared::Blob;
    if (has("REAL") || has("FLOA") || has("DOUB") || has("NUM") || has("DEC"))
        return TDeclared::Real;
    return TDeclared::Dynamic;
}

TSqlColumnType StorageType(int type) {
    switch (type) {
    case SQLITE_INTEGER: return TSqlColumnType::Integer;
    case SQLITE_FLOAT: return TSqlColumnType::Real;
    case SQLITE_TEXT: return TSqlColumnType::Text;
    case SQLITE_BLOB: return TSqlColumnType::Blob;
    default: return TSqlColumnType::Null;
    }
}

class TSqliteCursor final : public TNamedColumnsCursor {
public:
    TSqliteCursor(std::shared_ptr<TSqliteSession> session, std::string_view sql,
                  const TSqlParams& params)
        : lease_(std::move(session), sql), stmt_(lease_.Stmt()) {
        BindParams(lease_, params, sql, true);
        const int count = sqlite3_column_count(stmt_);
        names_.reserve(static_cast<std::size_t>(count));
        declared_.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            const char* name = sqlite3_column_name(stmt_, i);
            names_.emplace_back(name != nullptr ? name : "");
            declared_.push_back(DeclaredType(sqlite3_column_decltype(stmt_, i)));
        }
        storage_.assign(static_cast<std::size_t>(count), kUnknown);
    }

    bool Next() override {
        if (done_) return false;
        // The statement's own steps are watched by the progress handler; this covers the
        // caller's work between rows.
        if (++rows_ % kDeadlineCheckRows == 0) CheckCallDeadline();
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) {
            onRow_ = true;
            std::fill(storage_.begin(), storage_.end(), kUnknown);
            return true;
        }
        onRow_ = false;
        done_ = true;
        if (rc != SQLITE_DONE) ThrowStepError(rc, lease_, lease_.Entry().sql);
        sqlite3_reset(stmt_); // ends the read at once instead of when the cursor goes
        return false;
    }

    TSqlColumnType ColumnType(int column) const override {
        CheckIndex(column);
        switch (declared_[static_cast<std::size_t>(column)]) {
        case TDeclared::Integer: return TSqlColumnType::Integer;
        case TDeclared::Real: return TSqlColumnType::Real;
        case TDeclared::Text: return TSqlColumnType::Text;
        case TDeclared::Date: return TSqlColumnType::Date;
        case TDeclared::Blob: return TSqlColumnType::Blob;
        case TDeclared::Dynamic: break;
        }
        return onRow_ ? StorageType(Storage(column)) : TSqlColumnType::Null;
    }

    bool IsNull(int column) const override {
        CheckRow(column);
        return Storage(column) == SQLITE_NULL;
    }

    std::string_view Text(int column) const override {
        CheckRow(column);
        Storage(column); // before the conversion to text changes it
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
        if (text == nullptr) return {};
        return {text, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column))};
    }

    std::int64_t Int64(int column) const override {
        CheckRow(column);
        switch (Storage(column)) {
        case SQLITE_NULL: return 0;
        case SQLITE_INTEGER: return sqlite3_column_int64(stmt_, column);
        case SQLITE_FLOAT: return DoubleToInt64(sqlite3_column_double(stmt_, column));
        case SQLITE_TEXT:
            if (IsDate(column)) return DoubleToInt64(ParseSqlDate(Text(column)));
            return TextToInt64(Text(column));
        default: NotANumber(column);
        }
    }

    double Double(int column) const override {
        CheckRow(column);
        switch (Storage(column)) {
        case SQLITE_NULL: return 0.0;
        case SQLITE_INTEGER:
        case SQLITE_FLOAT: return sqlite3_column_double(stmt_, column);
        case SQLITE_TEXT:
            return IsDate(column) ? ParseSqlDate(Text(column)) : TextToDouble(Text(column));
        default: NotANumber(column);
        }
    }

    Variant Value(int column) const override {
        CheckRow(column);
        const int type = Storage(column);
        if (type == SQLITE_NULL) return Variant::Null();
        const TDeclared declared = declared_[static_cast<std::size_t>(column)];
        if (declared == TDeclared::Date)
            return Variant::FromDate(type == SQLITE_TEXT ? ParseSqlDate(Text(column))
                                                         : sqlite3_column_double(stmt_, column));
        switch (type) {
        case SQLITE_INTEGER:
            if (declared == TDeclared::Real) return Variant(sqlite3_column_double(stmt_, column));
            return Variant(static_cast<std::int64_t>(sqlite3_column_int64(stmt_, column)));
        case SQLITE_FLOAT: return Variant(sqlite3_column_double(stmt_, column));
        case SQLITE_TEXT: return Variant(Text(column));
        default: {
            const auto* bytes = static_cast<const char*>(sqlite3_column_blob(stmt_, column));
            const auto size = static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column));
            return Variant::FromBytes(std::string(bytes != nullptr ? bytes : "", size));
        }
        }
    }

private:
    TLease lease_;
    sqlite3_stmt* stmt_;
    std::vector<TDeclared> declared_;
    // Storage class of each column in the current row, read before any conversion: SQLite
    // converts a value in place when it is read as another type (a blob read as text).
    static constexpr signed char kUnknown = -1;
    mutable std::vector<signed char> storage_;
    bool onRow_ = false;
    bool done_ = false;
    std::uint32_t rows_ = 0;

    int Storage(int column) const {
        signed char& type = storage_[static_cast<std::size_t>(column)];
        if (type == kUnknown) type = static_cast<signed char>(sqlite3_column_type(stmt_, column));
        return type;
    }

    bool IsDate(int column) const {
        return declared_[static_cast<std::size_t>(column)] == TDeclared::Date;
    }

    void CheckRow(int column) const {
        CheckIndex(column);
        if (!onRow_) throw EDatabaseError("O cursor não está sobre uma linha");
    }
};

/// Runs each statement of a script in turn, without parameters.
void RunScript(sqlite3* db, std::string_view sql) {
    const char* pos = sql.data();
    const char* const end = sql.data() + sql.size();
    while (pos < end) {
        sqlite3_stmt* stmt = nullptr;
        const char* tail = nullptr;
        const int prepared = sqlite3_prepare_v2(db, pos, static_cast<int>(end - pos), &stmt, &tail);
        if (prepared != SQLITE_OK)
            ThrowStatementError(prepared, sqlite3_errmsg(db),
                                std::string_view(pos, static_cast<std::size_t>(end - pos)));
        const std::string_view statement(
            pos, static_cast<std::size_t>((tail != nullptr ? tail : end) - pos));
        if (stmt != nullptr) {
            int rc;
            while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {}
            if (rc != SQLITE_DONE) {
                const std::string message = sqlite3_errmsg(db);
                sqlite3_finalize(stmt);
                ThrowStatementError(rc, message, statement);
            }
            sqlite3_finalize(stmt);
        }
        if (tail == nullptr || tail <= pos) break;
        pos = tail;
    }
}

// ---- Connection ------------------------------------------------------------------------------

class TSqliteConnection final : public TSqlConnection {
public:
    TSqliteConnection(std::shared_ptr<TSqliteSession> session, std::string redactedUrl)
        : TSqlConnection(std::move(redactedUrl)), session_(std::move(session)) {}

    TSqlKind Kind() const override { return TSqlKind::SQLite; }
    void EnsureHelperFunctions() override {} // registered when the connection opens

    bool InTransaction() const override { return sqlite3_get_autocommit(session_->db) == 0; }

    void Begin() override {
        if (InTransaction()) throw EDatabaseError("Já existe uma transação aberta nesta conexão");
        DoExecute("BEGIN IMMEDIATE", {});
    }

    void Commit() override {
        if (!InTransaction())
            throw EDatabaseError("Não há transação aberta para confirmar: ela não foi iniciada "
                                 "ou foi desfeita pelo banco de dados");
        DoExecute("COMMIT", {});
    }

    void Rollback() override {
        if (!InTransaction()) return;
        // A call past its deadline still undoes its work: the rollback itself is never
        // interrupted nor gives up waiting.
        struct TUnwatched {
            sqlite3* db;
            explicit TUnwatched(sqlite3* d) : db(d) {
                sqlite3_progress_handler(db, 0, nullptr, nullptr);
                sqlite3_busy_timeout(db, kBusyTimeoutMs);
            }
            ~TUnwatched() { WatchDeadline(db); }
            TUnwatched(const TUnwatched&) = delete;
            TUnwatched& operator=(const TUnwatched&) = delete;
        } unwatched(session_->db);
        DoExecute("ROLLBACK", {});
    }

protected:
    std::int64_t DoExecute(std::string_view sql, const TSqlParams& params) override {
        TLease lease(session_, sql);
        BindParams(lease, params, sql, false);
        std::int64_t returned = 0;
        for (;;) {
            const int rc = sqlite3_step(lease.Stmt());
            if (rc == SQLITE_ROW) {
                ++returned;
                continue;
            }
            if (rc == SQLITE_DONE) break;
            ThrowStepError(rc, lease, sql);
        }
        switch (lease.Entry().rowCount) {
        case TRowCount::Changes: return sqlite3_changes64(session_->db);
        case TRowCount::Returned: return returned;
        case TRowCount::None: break;
        }
        return 0;
    }

    std::unique_ptr<TSqlCursor> DoOpenCursor(std::string_view sql,
                                             const TSqlParams& params) override {
        return std::make_unique<TSqliteCursor>(session_, sql, params);
    }

    void DoExecuteScript(std::string_view sql) override {
        // All or nothing, as PostgreSQL runs a script.
        if (InTransaction()) {
            RunScript(session_->db, sql);
            return;
        }
        TSqlTransaction transaction(*this);
        RunScript(session_->db, sql);
        transaction.Commit();
    }

private:
    std::shared_ptr<TSqliteSession> session_;
};

void RegisterHelpers(sqlite3* db) {
    constexpr int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    if (sqlite3_create_function_v2(db, "NVL", 2, flags, nullptr, NvlFunction, nullptr, nullptr,
                                   nullptr) != SQLITE_OK ||
        sqlite3_create_function_v2(db, "NVLSTR", 2, flags, nullptr, NvlStrFunction, nullptr,
                                   nullptr, nullptr) != SQLITE_OK ||
        sqlite3_create_module_v2(db, "PARAM", &kParamModule, nullptr, nullptr) != SQLITE_OK)
        throw EDatabaseError(std::string("Erro no banco de dados: ") + sqlite3_errmsg(db));
}

} // namespace

std::unique_ptr<TSqlConnection> OpenSqlite(const std::string& path, std::string redactedUrl) {
    auto session = std::make_shared<TSqliteSession>();
    const std::string shownUrl = redactedUrl;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(path.c_str(), &session->db, flags, nullptr);
    auto fail = [&](const std::string& message) {
        throw EDatabaseError("Não foi possível abrir o banco de dados " + shownUrl + ": " +
                             message);
    };
    if (session->db == nullptr) fail("memória insuficiente");
    if (rc != SQLITE_OK) fail(session->ErrorMessage());
    sqlite3_extended_result_codes(session->db, 1);
    WatchDeadline(session->db);
    try {
        RegisterHelpers(session->db);
        // Write-ahead logging lets readers go on while one session writes; NORMAL sync keeps
        // every commit atomic through a crash of the process. Declared foreign keys hold.
        if (path != ":memory:") RunScript(session->db, "PRAGMA journal_mode = WAL");
        RunScript(session->db, "PRAGMA synchronous = NORMAL; PRAGMA foreign_keys = ON");
        return std::make_unique<TSqliteConnection>(session, std::move(redactedUrl));
    } catch (const EDatabaseError& e) { fail(e.Message()); }
    return nullptr;
}

} // namespace platform::sqlimpl
