// SQL access to the embedded database (SQLite) and the shared one (PostgreSQL) behind one API.
//
// Which text runs. A query of this system carries four texts (generic, Oracle, SQL Server,
// InterBase). Both backends run the generic text as written: Dialect() is always Generic. What
// that text needs beyond standard SQL is provided on both backends:
//   NVL(a, b)     a when a is not NULL, else b;
//   NVLSTR(a, b)  a when a is neither NULL nor an empty text, else b;
//   PARAM(x)      a one-row table whose single column PARAM holds x, used in a FROM clause:
//                 "FROM EMPRESA, PARAM(:P_CDEMPRESA) P
//                  WHERE CDEMPRESA = NVLSTR(P.PARAM, CDEMPRESA)".
// SQLite registers them on every connection (PARAM is an eponymous table-valued virtual table);
// PostgreSQL gets them as SQL functions in the current schema through EnsureHelperFunctions()
// (NVL for any pair of compatible types, NVLSTR for text, PARAM returning text).
// A final "FOR UPDATE [OF table, ...]" is honoured by PostgreSQL (row locks) and dropped on
// SQLite, where the write transaction (BEGIN IMMEDIATE) already holds the whole database.
// Write portable DDL: VARCHAR rather than CHAR (PostgreSQL pads CHAR), NUMERIC(p,s) or DOUBLE
// PRECISION for amounts (read as doubles), DATE/TIMESTAMP for dates. After a failed statement
// inside a transaction PostgreSQL undoes the whole transaction, SQLite keeps it: roll back.
// SQLite orders text by its bytes; a PostgreSQL database created with the C collation does the
// same (the test cluster is), any other collation orders by its language's rules.
//
// Parameters. Statements name their parameters ":NAME" (letters, digits, '_'; case-insensitive;
// one name may appear several times). Values are always bound, never spliced into the text.
// Empty and Null bind NULL; Boolean binds 1 or 0; Integer, Double and String bind as such; Bytes
// bind as BLOB/bytea; Date binds as ISO text (see below). On PostgreSQL every value except Bytes
// is sent as text of unspecified type, so the server infers the type from where the parameter
// stands (compared with a column, passed to a function); a parameter used only where no type
// can be inferred (":P IS NULL" alone) needs a CAST(:P AS ...), which both databases accept.
//
// Dates are stored as ISO text: "YYYY-MM-DD", or "YYYY-MM-DD HH:MM:SS[.mmm]" when there is a
// time of day. On SQLite declare such columns DATE or TIMESTAMP (text compares in date order);
// on PostgreSQL declare them date or timestamp. A date range is then the same text on both:
// "DTBAIXAPAG BETWEEN :P_DTINI AND :P_DTFIM" with Date (or ISO text) parameters. Cursors decode
// such columns back to automation dates.
//
// Threads. A connection and its cursors belong to one thread at a time (one connection per
// session); open a connection per thread. Concurrent writers on one SQLite file wait for each
// other (busy timeout) instead of failing.
//
// Deadlines. Inside a remote call (platform/calldeadline.h) no statement starts once the call's
// deadline has passed, a statement running then is stopped (SQLite: a progress handler
// interrupts it; PostgreSQL: the statement is cancelled on the server), a cursor looks at the
// deadline every few thousand rows, and a wait for another connection's lock ends; all of these
// raise ECallCancelled with the deadline's message, and the connection stays usable (roll back
// the open transaction, as after any failed statement; rolling back is never interrupted).
// Outside a call nothing of this costs more than a thread-local read.
//
// Errors raise EDatabaseError: "Erro no banco de dados: <the database's message> (<start of the
// statement>)"; a connection failure names the URL without its password.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/variant.h"

namespace platform {

/// The four texts a query carries, one per kind of database.
enum class TSqlDialect { Generic, Oracle, MSSQL, InterBase };

/// The database a connection reaches.
enum class TSqlKind { SQLite, PostgreSQL };

/// The type of a result column as a cursor decodes it.
enum class TSqlColumnType { Null, Integer, Real, Text, Date, Blob };

/// Named parameter values in the order they were set. Invariant: no two names are equal
/// ignoring case (setting an existing name replaces its value).
class TSqlParams {
public:
    TSqlParams() = default;
    TSqlParams(std::initializer_list<std::pair<std::string, Variant>> items);

    TSqlParams& Set(std::string_view name, Variant value);
    /// The value of a name, ignoring case; nullptr when it is not set.
    const Variant* Find(std::string_view name) const;
    int Count() const { return static_cast<int>(items_.size()); }
    const std::string& Name(int index) const { return items_.at(index).first; }
    const Variant& Value(int index) const { return items_.at(index).second; }

private:
    std::vector<std::pair<std::string, Variant>> items_;
};

/// Rows of one SELECT, read forward. Getters read the current row (after Next() returned true);
/// a text view stays valid until the next call of Next(). Null reads as "", 0 and 0.0; a text
/// that is not a number raises EConvertError from Int64/Double. A cursor is used on its
/// connection's thread; destroy it once read (an unfinished SQLite cursor keeps a read snapshot
/// open). The connection may run other statements while a cursor is open.
class TSqlCursor {
public:
    virtual ~TSqlCursor() = default;
    TSqlCursor(const TSqlCursor&) = delete;
    TSqlCursor& operator=(const TSqlCursor&) = delete;

    /// Moves to the next row; false after the last one.
    virtual bool Next() = 0;

    virtual int ColumnCount() const = 0;
    virtual const std::string& ColumnName(int column) const = 0;
    /// The declared type of the column; for a computed column without one (SQLite
    /// expressions), the type of the value in the current row (Null before the first row).
    virtual TSqlColumnType ColumnType(int column) const = 0;
    /// Index of a column by name ignoring case, or -1.
    int FieldIndex(std::string_view name) const;

    virtual bool IsNull(int column) const = 0;
    virtual std::string_view Text(int column) const = 0;
    virtual std::int64_t Int64(int column) const = 0;
    /// The number; for a Date column, the automation date.
    virtual double Double(int column) const = 0;
    /// The value typed by the column: Null, Integer, Double, String, Date or Bytes.
    virtual Variant Value(int column) const = 0;

protected:
    TSqlCursor() = default;
};

/// A connection to one database. Open() picks the backend from the URL:
///   "sqlite:PATH"  (a file, created when missing; "sqlite::memory:" for a private in-memory one)
///   "postgresql://[user[:password]@]host[:port]/dbname[?param=value...]" (or "postgres://")
class TSqlConnection {
public:
    static std::unique_ptr<TSqlConnection> Open(const std::string& url);

    virtual ~TSqlConnection() = default;
    TSqlConnection(const TSqlConnection&) = delete;
    TSqlConnection& operator=(const TSqlConnection&) = delete;

    virtual TSqlKind Kind() const = 0;
    /// The query text this connection runs: always the generic one (see the file comment).
    TSqlDialect Dialect() const { return TSqlDialect::Generic; }
    /// The URL it was opened with, without a password.
    const std::string& Url() const { return url_; }

    /// Runs one statement; returns the rows changed by INSERT, UPDATE or DELETE, the rows
    /// returned by a SELECT, and 0 for anything else.
    std::int64_t Execute(std::string_view sql, const TSqlParams& params = {});
    /// Runs one statement and returns its rows.
    std::unique_ptr<TSqlCursor> OpenCursor(std::string_view sql, const TSqlParams& params = {});
    /// The first column of the first row of a SELECT; Null when there is no row.
    Variant SelectValue(std::string_view sql, const TSqlParams& params = {});
    /// Runs several statements separated by ';' without parameters (schema creation), all or
    /// nothing: in one transaction of its own unless one is open. The script itself holds no
    /// BEGIN or COMMIT.
    void ExecuteScript(std::string_view sql);
    /// Makes NVL, NVLSTR and PARAM available; idempotent and safe to call from several
    /// connections at once. Nothing to do on SQLite.
    virtual void EnsureHelperFunctions() = 0;

    /// Whether the connection still reaches its database as far as can be told without a round
    /// trip: false once the server has ended it (a PostgreSQL restart or a killed backend).
    /// Only for a connection that is not running a statement. Always true on SQLite.
    virtual bool Connected() { return true; }
    /// One trivial round trip to the database; false when it fails. Always true on SQLite.
    virtual bool Ping() { return true; }

    /// Transactions: use TSqlTransaction. Begin() refuses a transaction already open; on
    /// SQLite it takes the write lock at once (BEGIN IMMEDIATE), waiting for other writers.
    /// Commit() raises when the database has already undone the transaction (after an error
    /// inside it on PostgreSQL), so that a lost transaction is never reported as committed.
    virtual bool InTransaction() const = 0;
    virtual void Begin() = 0;
    virtual void Commit() = 0;
    virtual void Rollback() = 0;

protected:
    explicit TSqlConnection(std::string redactedUrl) : url_(std::move(redactedUrl)) {}

    virtual std::int64_t DoExecute(std::string_view sql, const TSqlParams& params) = 0;
    virtual std::unique_ptr<TSqlCursor> DoOpenCursor(std::string_view sql,
                                                     const TSqlParams& params) = 0;
    virtual void DoExecuteScript(std::string_view sql) = 0;

private:
    std::string url_;
};

/// A transaction for the lifetime of a scope: begun by the constructor, rolled back by the
/// destructor unless Commit() succeeded. Transactions do not nest (Begin() refuses).
class TSqlTransaction {
public:
    explicit TSqlTransaction(TSqlConnection& connection);
    ~TSqlTransaction();
    TSqlTransaction(const TSqlTransaction&) = delete;
    TSqlTransaction& operator=(const TSqlTransaction&) = delete;

    void Commit();
    void Rollback();

private:
    TSqlConnection& connection_;
    bool open_ = true;
};

/// An automation date as stored: "YYYY-MM-DD", with " HH:MM:SS" when it has a time of day and
/// ".mmm" when it has milliseconds.
std::string FormatSqlDate(TDateTime value);
/// Reads "YYYY-MM-DD" with an optional time ("T" or blank, then HH:MM[:SS[.fraction]]) and an
/// optional zone offset, which is ignored; EConvertError for anything else.
TDateTime ParseSqlDate(std::string_view text);

} // namespace platform
