// The database schema of the application server, the same text on SQLite and PostgreSQL.
//
// Types are chosen so that one text serves both: VARCHAR(n) (text affinity on SQLite),
// DOUBLE PRECISION for amounts (the client's fields are doubles), DATE and TIMESTAMP for dates
// (ISO texts on SQLite, which compare in date order), BIGINT for counters.
#include "server/schema.h"

#include <string>

namespace server {

using platform::TSqlConnection;
using platform::TSqlKind;

namespace {

// The tables as version 1 created them. A fresh database gets this text and then every upgrade
// step below, so that a new database and an upgraded one end up with the same schema.
constexpr const char* kTablesVersion1 = R"SQL(
CREATE TABLE EMPRESA (
  CDEMPRESA VARCHAR(2) NOT NULL PRIMARY KEY,
  NMEMPRESA VARCHAR(40) NOT NULL,
  CDCENTCUST VARCHAR(4)
);
CREATE TABLE CENTCUST (
  CDCENTCUST VARCHAR(4) NOT NULL PRIMARY KEY,
  NMCENTCUST VARCHAR(40) NOT NULL
);
CREATE TABLE FILIAL (
  CDFILIAL VARCHAR(4) NOT NULL PRIMARY KEY,
  NMFILIAL VARCHAR(30) NOT NULL,
  CDEMPRESA VARCHAR(2) NOT NULL REFERENCES EMPRESA,
  CDCENTCUST VARCHAR(4) REFERENCES CENTCUST
);
CREATE TABLE OPERADOR (
  CDOPERADOR VARCHAR(12) NOT NULL PRIMARY KEY,
  NMOPERADOR VARCHAR(40) NOT NULL
);
CREATE TABLE OPEREMPR (
  CDOPERADOR VARCHAR(12) NOT NULL REFERENCES OPERADOR,
  CDEMPRESA VARCHAR(2) NOT NULL REFERENCES EMPRESA,
  PRIMARY KEY (CDOPERADOR, CDEMPRESA)
);
CREATE TABLE FORNECEDOR (
  CDFORNECED VARCHAR(21) NOT NULL PRIMARY KEY,
  NMFANTFORN VARCHAR(40),
  NMRAZSOCFORN VARCHAR(40) NOT NULL,
  IDTPIJURFORN VARCHAR(1) NOT NULL CHECK (IDTPIJURFORN IN ('F', 'J')),
  NRINSJURFORN VARCHAR(20)
);
CREATE TABLE TIPOBAIXAPAG (
  CDTPBAIXAPAG VARCHAR(2) NOT NULL PRIMARY KEY,
  NMTPBAIXAPAG VARCHAR(50) NOT NULL,
  IDBAIXAUTILP VARCHAR(1)
);
CREATE TABLE BANCO (
  CDBANCO VARCHAR(3) NOT NULL PRIMARY KEY,
  NMBANCO VARCHAR(40) NOT NULL,
  CDPICTAGEN VARCHAR(10),
  CDPICTCONT VARCHAR(20)
);
CREATE TABLE CONTCORR (
  CDREDUCONT VARCHAR(3) NOT NULL PRIMARY KEY,
  CDEMPRESA VARCHAR(2) NOT NULL REFERENCES EMPRESA,
  CDBANCO VARCHAR(3) NOT NULL REFERENCES BANCO,
  CDAGENCIA VARCHAR(5),
  CDCONTCORR VARCHAR(10),
  DSCONTCORR VARCHAR(20),
  CDCONTCTBL VARCHAR(20)
);
CREATE TABLE TIPOCTPAGAR (
  CDTPCTPAGAR VARCHAR(6) NOT NULL PRIMARY KEY,
  DSTPCTPAGAR VARCHAR(40) NOT NULL,
  CDCONTCTBL VARCHAR(20),
  IDDOCPREVISTO VARCHAR(1) DEFAULT 'N' NOT NULL CHECK (IDDOCPREVISTO IN ('S', 'N'))
);
CREATE TABLE PLANOCONTA (
  CDEMPRESA VARCHAR(2) NOT NULL REFERENCES EMPRESA,
  CDCONTCTBL VARCHAR(20) NOT NULL,
  CDCONTREDU VARCHAR(20),
  NMCONTCTBL VARCHAR(40) NOT NULL,
  IDCONTANALIT VARCHAR(1) NOT NULL CHECK (IDCONTANALIT IN ('S', 'N')),
  IDRATEIO VARCHAR(1) DEFAULT 'N' NOT NULL CHECK (IDRATEIO IN ('S', 'N')),
  PRIMARY KEY (CDEMPRESA, CDCONTCTBL)
);
CREATE TABLE HISTPADRAO (
  CDHISTPADR VARCHAR(4) NOT NULL PRIMARY KEY,
  DSHISTPADR VARCHAR(100) NOT NULL
);
CREATE TABLE HISTINTEGRA (
  CDEMPRESA VARCHAR(2) NOT NULL REFERENCES EMPRESA,
  IDTPINTEGRA VARCHAR(3) NOT NULL,
  CDHISTPADR VARCHAR(4) NOT NULL REFERENCES HISTPADRAO,
  PRIMARY KEY (CDEMPRESA, IDTPINTEGRA)
);
CREATE TABLE CONTAPAGAR (
  CDFILIAL VARCHAR(4) NOT NULL REFERENCES FILIAL,
  NRCTPAGAR VARCHAR(10) NOT NULL,
  CDEMPRESA VARCHAR(2) NOT NULL REFERENCES EMPRESA,
  CDFORNECED VARCHAR(21) NOT NULL REFERENCES FORNECEDOR,
  CDTPCTPAGAR VARCHAR(6) NOT NULL REFERENCES TIPOCTPAGAR,
  NRDOCUMENTO VARCHAR(7) NOT NULL,
  DTEMISSAO DATE,
  DTVENCIMENTO DATE NOT NULL,
  VRORIGINAL DOUBLE PRECISION NOT NULL,
  VRLIQUIDO DOUBLE PRECISION NOT NULL,
  PRIMARY KEY (CDFILIAL, NRCTPAGAR)
);
CREATE TABLE BAIXAPAG (
  CDFILIAL VARCHAR(4) NOT NULL REFERENCES FILIAL,
  NRBAIXAPAG VARCHAR(10) NOT NULL,
  CDEMPRESA VARCHAR(2) NOT NULL REFERENCES EMPRESA,
  NRMOVBANC VARCHAR(10),
  CDREDUCONT VARCHAR(3) REFERENCES CONTCORR,
  NRCHEQUE VARCHAR(6),
  DTBAIXAPAG DATE NOT NULL,
  VRBAIXAPAG DOUBLE PRECISION NOT NULL,
  DSNOMCHEQUE VARCHAR(40),
  IDSTEMICHEQ VARCHAR(1),
  NRLCTBBPAG VARCHAR(12),
  IDSTATUSBPAG VARCHAR(1) NOT NULL CHECK (IDSTATUSBPAG IN ('P', 'C', 'E')),
  CDOPERADOR VARCHAR(12) REFERENCES OPERADOR,
  DSBAIXAPAG VARCHAR(250),
  CDTPBAIXAPAG VARCHAR(2) REFERENCES TIPOBAIXAPAG,
  IDCTBLBXPAG VARCHAR(1) DEFAULT 'N' NOT NULL CHECK (IDCTBLBXPAG IN ('S', 'N')),
  DTLANCBAIXAP TIMESTAMP,
  IDPARTIDABOLPAG VARCHAR(1) DEFAULT 'N' NOT NULL CHECK (IDPARTIDABOLPAG IN ('S', 'N')),
  PRIMARY KEY (CDFILIAL, NRBAIXAPAG)
);
CREATE INDEX BAIXAPAG_EMPRESA_DATA ON BAIXAPAG (CDEMPRESA, DTBAIXAPAG, CDFILIAL, NRBAIXAPAG);
CREATE TABLE ITBAIXAPAG (
  CDFILIAL VARCHAR(4) NOT NULL,
  NRBAIXAPAG VARCHAR(10) NOT NULL,
  CDFILICTPAG VARCHAR(4) NOT NULL,
  NRCTPAGAR VARCHAR(10) NOT NULL,
  VRPAGO DOUBLE PRECISION NOT NULL,
  CDFILIBOL VARCHAR(4),
  NRLANBOLPAG VARCHAR(10),
  PRIMARY KEY (CDFILIAL, NRBAIXAPAG, CDFILICTPAG, NRCTPAGAR),
  FOREIGN KEY (CDFILIAL, NRBAIXAPAG) REFERENCES BAIXAPAG,
  FOREIGN KEY (CDFILICTPAG, NRCTPAGAR) REFERENCES CONTAPAGAR
);
CREATE INDEX ITBAIXAPAG_CONTA ON ITBAIXAPAG (CDFILICTPAG, NRCTPAGAR);
CREATE TABLE BOLETPAGAR (
  CDFILIAL VARCHAR(4) NOT NULL REFERENCES FILIAL,
  NRLANBOLPAG VARCHAR(10) NOT NULL,
  CDFORNECED VARCHAR(21) REFERENCES FORNECEDOR,
  DTVENBOLPAG DATE NOT NULL,
  VRBOLPAG DOUBLE PRECISION NOT NULL,
  VRFINALBPAG DOUBLE PRECISION NOT NULL,
  CDFILICTPAG VARCHAR(4),
  NRCTPAGAR VARCHAR(10),
  PRIMARY KEY (CDFILIAL, NRLANBOLPAG)
);
CREATE TABLE LISTA (
  NRLISTA VARCHAR(10) NOT NULL,
  CDLISTA VARCHAR(50) NOT NULL,
  PRIMARY KEY (NRLISTA, CDLISTA)
);
CREATE TABLE NUMERADOR (
  NMNUMERADOR VARCHAR(20) NOT NULL PRIMARY KEY,
  NRULTIMO BIGINT NOT NULL
);
CREATE TABLE BLOQDOCU (
  IDTPDOCU VARCHAR(3) NOT NULL,
  CDFILIAL VARCHAR(4) NOT NULL,
  NRDOCUMENTO VARCHAR(10) NOT NULL,
  CDOPERADOR VARCHAR(12) NOT NULL REFERENCES OPERADOR,
  DTBLOQUEIO TIMESTAMP NOT NULL,
  PRIMARY KEY (IDTPDOCU, CDFILIAL, NRDOCUMENTO)
);
CREATE TABLE LANCCTB (
  NRLANCCTB VARCHAR(12) NOT NULL,
  NRSEQCTB VARCHAR(6) NOT NULL,
  CDEMPRESA VARCHAR(2) NOT NULL REFERENCES EMPRESA,
  CDFILIAL VARCHAR(4) NOT NULL,
  CDCONTCTBL VARCHAR(20) NOT NULL,
  CDHISTPADR VARCHAR(4),
  DSHISTCTB VARCHAR(200),
  DTLANCCTB DATE NOT NULL,
  VRLANCCTB DOUBLE PRECISION NOT NULL,
  IDLANCCTBCOME VARCHAR(1),
  CDLANCCTBCOME VARCHAR(21),
  CDDOCUCONT VARCHAR(40),
  PRIMARY KEY (NRLANCCTB, NRSEQCTB)
);
CREATE TABLE RATEIOCTB (
  NRLANCCTB VARCHAR(12) NOT NULL,
  NRSEQCTB VARCHAR(6) NOT NULL,
  NRSEQRAT VARCHAR(5) NOT NULL,
  CDEMPRESA VARCHAR(2) NOT NULL,
  CDFILIAL VARCHAR(4) NOT NULL,
  CDCENTCUST VARCHAR(4) NOT NULL REFERENCES CENTCUST,
  VRLANCCUST DOUBLE PRECISION NOT NULL,
  DTCOMPCTB DATE NOT NULL,
  PRIMARY KEY (NRLANCCTB, NRSEQCTB, NRSEQRAT),
  FOREIGN KEY (NRLANCCTB, NRSEQCTB) REFERENCES LANCCTB
);
CREATE TABLE ERROCTB (
  CDERROCTB VARCHAR(3) NOT NULL PRIMARY KEY,
  DSERROCTB VARCHAR(100) NOT NULL
);
CREATE TABLE PAGVERSAO (
  NRVERSAO BIGINT NOT NULL
);
)SQL";

// Reference rows that belong to the schema, not to any data set: the texts of the accounting
// error codes and the counters.
constexpr const char* kReferenceRows = R"SQL(
INSERT INTO ERROCTB (CDERROCTB, DSERROCTB) VALUES ('001', 'Conta contábil não informada.');
INSERT INTO ERROCTB (CDERROCTB, DSERROCTB) VALUES ('002', 'Conta contábil não cadastrada no plano de contas da empresa.');
INSERT INTO ERROCTB (CDERROCTB, DSERROCTB) VALUES ('003', 'Conta contábil sintética: o lançamento exige uma conta analítica.');
INSERT INTO ERROCTB (CDERROCTB, DSERROCTB) VALUES ('004', 'Centro de custo da filial não informado para conta com rateio.');
)SQL";

constexpr const char* kCounterRows = R"SQL(
INSERT INTO NUMERADOR (NMNUMERADOR, NRULTIMO) VALUES ('LISTA', 0);
INSERT INTO NUMERADOR (NMNUMERADOR, NRULTIMO) VALUES ('LANCCTB', 0);
)SQL";

// Version 2: operators' password hashes, login tokens and the append-only audit trail of runs.
// Times of these tables are UTC. The audit tables have no foreign key: they outlive the rows
// they name (re-seeding, a deleted operator) and are never cleared.
constexpr const char* kUpgradeTo2 = R"SQL(
ALTER TABLE OPERADOR ADD COLUMN DSSENHAHASH VARCHAR(128);
CREATE TABLE TOKENOPER (
  HSTOKEN VARCHAR(64) NOT NULL PRIMARY KEY,
  CDOPERADOR VARCHAR(12) NOT NULL REFERENCES OPERADOR,
  DTCRIACAO TIMESTAMP NOT NULL,
  DTULTUSO TIMESTAMP NOT NULL,
  DTLIMINATIVO TIMESTAMP NOT NULL,
  DTEXPIRACAO TIMESTAMP NOT NULL,
  NRINATIVOSEG BIGINT NOT NULL
);
CREATE INDEX TOKENOPER_OPERADOR ON TOKENOPER (CDOPERADOR, DTCRIACAO);
CREATE TABLE AUDITRECALC (
  IDAUDITORIA VARCHAR(32) NOT NULL PRIMARY KEY,
  DTEVENTO TIMESTAMP NOT NULL,
  CDOPERADOR VARCHAR(12) NOT NULL,
  DSENDERECO VARCHAR(64) NOT NULL,
  CDSESSAO VARCHAR(8) NOT NULL,
  CDEMPRESA VARCHAR(2) NOT NULL,
  CDFILIAL VARCHAR(4) NOT NULL,
  NRLISTA VARCHAR(10) NOT NULL,
  IDRESULTADO VARCHAR(1) NOT NULL CHECK (IDRESULTADO IN ('C', 'R', 'I')),
  DSMOTIVO VARCHAR(250) NOT NULL
);
CREATE INDEX AUDITRECALC_DATA ON AUDITRECALC (DTEVENTO);
CREATE TABLE AUDITRECALCITEM (
  IDAUDITORIA VARCHAR(32) NOT NULL,
  CDFILIAL VARCHAR(4) NOT NULL,
  NRBAIXAPAG VARCHAR(10) NOT NULL,
  NRLCTBANTES VARCHAR(12),
  NRLCTBDEPOIS VARCHAR(12),
  PRIMARY KEY (IDAUDITORIA, CDFILIAL, NRBAIXAPAG)
);
)SQL";

// The triggers that keep the audit tables append-only, per backend.
constexpr const char* kAuditGuardSqlite = R"SQL(
CREATE TRIGGER AUDITRECALC_SEM_UPDATE BEFORE UPDATE ON AUDITRECALC
BEGIN SELECT RAISE(ABORT, 'A trilha de auditoria não pode ser alterada.'); END;
CREATE TRIGGER AUDITRECALC_SEM_DELETE BEFORE DELETE ON AUDITRECALC
BEGIN SELECT RAISE(ABORT, 'A trilha de auditoria não pode ser alterada.'); END;
CREATE TRIGGER AUDITRECALCITEM_SEM_UPDATE BEFORE UPDATE ON AUDITRECALCITEM
BEGIN SELECT RAISE(ABORT, 'A trilha de auditoria não pode ser alterada.'); END;
CREATE TRIGGER AUDITRECALCITEM_SEM_DELETE BEFORE DELETE ON AUDITRECALCITEM
BEGIN SELECT RAISE(ABORT, 'A trilha de auditoria não pode ser alterada.'); END;
)SQL";

constexpr const char* kAuditGuardPostgres = R"SQL(
CREATE FUNCTION PAG_AUDITORIA_IMUTAVEL() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  RAISE EXCEPTION 'A trilha de auditoria não pode ser alterada.';
END
$$;
CREATE TRIGGER AUDITRECALC_IMUTAVEL BEFORE UPDATE OR DELETE ON AUDITRECALC
  FOR EACH ROW EXECUTE FUNCTION PAG_AUDITORIA_IMUTAVEL();
CREATE TRIGGER AUDITRECALC_SEM_TRUNCATE BEFORE TRUNCATE ON AUDITRECALC
  FOR EACH STATEMENT EXECUTE FUNCTION PAG_AUDITORIA_IMUTAVEL();
CREATE TRIGGER AUDITRECALCITEM_IMUTAVEL BEFORE UPDATE OR DELETE ON AUDITRECALCITEM
  FOR EACH ROW EXECUTE FUNCTION PAG_AUDITORIA_IMUTAVEL();
CREATE TRIGGER AUDITRECALCITEM_SEM_TRUNCATE BEFORE TRUNCATE ON AUDITRECALCITEM
  FOR EACH STATEMENT EXECUTE FUNCTION PAG_AUDITORIA_IMUTAVEL();
)SQL";

// Version 3: per company, the day up to which its accounting is closed (FECHACTB), and the
// append-only record of every change of it (AUDITFECHACTB, times in UTC).
constexpr const char* kUpgradeTo3 = R"SQL(
CREATE TABLE FECHACTB (
  CDEMPRESA VARCHAR(2) NOT NULL PRIMARY KEY REFERENCES EMPRESA,
  DTFECHAMENTO DATE NOT NULL
);
CREATE TABLE AUDITFECHACTB (
  IDAUDITORIA VARCHAR(32) NOT NULL PRIMARY KEY,
  DTEVENTO TIMESTAMP NOT NULL,
  DSUSUARIO VARCHAR(64) NOT NULL,
  CDEMPRESA VARCHAR(2) NOT NULL,
  DTANTERIOR DATE,
  DTFECHAMENTO DATE NOT NULL
);
)SQL";

constexpr const char* kClosedPeriodGuardSqlite = R"SQL(
CREATE TRIGGER AUDITFECHACTB_SEM_UPDATE BEFORE UPDATE ON AUDITFECHACTB
BEGIN SELECT RAISE(ABORT, 'A trilha de auditoria não pode ser alterada.'); END;
CREATE TRIGGER AUDITFECHACTB_SEM_DELETE BEFORE DELETE ON AUDITFECHACTB
BEGIN SELECT RAISE(ABORT, 'A trilha de auditoria não pode ser alterada.'); END;
)SQL";

// PAG_AUDITORIA_IMUTAVEL comes with version 2.
constexpr const char* kClosedPeriodGuardPostgres = R"SQL(
CREATE TRIGGER AUDITFECHACTB_IMUTAVEL BEFORE UPDATE OR DELETE ON AUDITFECHACTB
  FOR EACH ROW EXECUTE FUNCTION PAG_AUDITORIA_IMUTAVEL();
CREATE TRIGGER AUDITFECHACTB_SEM_TRUNCATE BEFORE TRUNCATE ON AUDITFECHACTB
  FOR EACH STATEMENT EXECUTE FUNCTION PAG_AUDITORIA_IMUTAVEL();
)SQL";

void UpgradeTo3(TSqlConnection& connection) {
    connection.ExecuteScript(kUpgradeTo3);
    connection.ExecuteScript(connection.Kind() == TSqlKind::PostgreSQL ? kClosedPeriodGuardPostgres
                                                                       : kClosedPeriodGuardSqlite);
}

// Version 4: client sessions kept in the database, so that every server on it serves every
// session: the session (SESSAORPC, times UTC), the list numbers GetPrxLista gave it and no run
// has used (SESSAOLISTA), the list of its last committed run (SESSAOESTADO). The two of the
// remote object are keyed by the session's id alone: they outlive nothing but their session.
constexpr const char* kUpgradeTo4 = R"SQL(
CREATE TABLE SESSAORPC (
  CDSESSAO VARCHAR(32) NOT NULL PRIMARY KEY,
  NMOBJETO VARCHAR(80) NOT NULL,
  CDOPERADOR VARCHAR(12) NOT NULL,
  HSTOKEN VARCHAR(64) NOT NULL,
  DSENDERECO VARCHAR(64) NOT NULL,
  DTCRIACAO TIMESTAMP NOT NULL,
  DTULTUSO TIMESTAMP NOT NULL
);
CREATE INDEX SESSAORPC_TOKEN ON SESSAORPC (HSTOKEN);
CREATE INDEX SESSAORPC_USO ON SESSAORPC (DTULTUSO);
CREATE TABLE SESSAOLISTA (
  CDSESSAO VARCHAR(32) NOT NULL,
  NRLISTA VARCHAR(10) NOT NULL,
  PRIMARY KEY (CDSESSAO, NRLISTA)
);
CREATE TABLE SESSAOESTADO (
  CDSESSAO VARCHAR(32) NOT NULL PRIMARY KEY,
  NRLISTAULT VARCHAR(10) NOT NULL
);
)SQL";

// Brings a database of version `from` to version `from + 1`, inside the caller's transaction.
void Upgrade(TSqlConnection& connection, int from) {
    switch (from) {
    case 1:
        connection.ExecuteScript(kUpgradeTo2);
        connection.ExecuteScript(connection.Kind() == TSqlKind::PostgreSQL ? kAuditGuardPostgres
                                                                           : kAuditGuardSqlite);
        break;
    case 2: UpgradeTo3(connection); break;
    case 3: connection.ExecuteScript(kUpgradeTo4); break;
    default:
        throw platform::EDatabaseError("Não há atualização do esquema a partir da versão " +
                                       std::to_string(from) + ".");
    }
    connection.Execute("INSERT INTO PAGVERSAO (NRVERSAO) VALUES (:V)", {{"V", from + 1}});
}

// Data tables, children before parents. The audit tables are not among them.
constexpr const char* kDataTables[] = {
    "SESSAOLISTA", "SESSAOESTADO", "SESSAORPC",  "FECHACTB",   "TOKENOPER",   "RATEIOCTB",
    "LANCCTB",     "BLOQDOCU",     "LISTA",      "ITBAIXAPAG", "BOLETPAGAR",  "BAIXAPAG",
    "CONTAPAGAR",  "HISTINTEGRA",  "HISTPADRAO", "PLANOCONTA", "TIPOCTPAGAR", "CONTCORR",
    "BANCO",       "TIPOBAIXAPAG", "FORNECEDOR", "OPEREMPR",   "OPERADOR",    "FILIAL",
    "CENTCUST",    "EMPRESA",      "NUMERADOR"};

int StoredVersion(TSqlConnection& connection) {
    platform::Variant v = connection.SelectValue("SELECT MAX(NRVERSAO) FROM PAGVERSAO");
    return v.IsNull() ? 0 : static_cast<int>(v.AsInteger());
}

// The tables, reference rows and counters of version 1, inside the caller's transaction.
void CreateVersion1(TSqlConnection& connection) {
    connection.ExecuteScript(kTablesVersion1);
    connection.ExecuteScript(kReferenceRows);
    connection.ExecuteScript(kCounterRows);
    connection.Execute("INSERT INTO PAGVERSAO (NRVERSAO) VALUES (1)");
}

} // namespace

bool SchemaExists(TSqlConnection& connection) {
    if (connection.Kind() == TSqlKind::PostgreSQL)
        return connection
                   .SelectValue(
                       "SELECT COUNT(*) FROM information_schema.tables "
                       "WHERE table_schema = current_schema() AND table_name = 'pagversao'")
                   .AsInteger() > 0;
    return connection
               .SelectValue("SELECT COUNT(*) FROM sqlite_master "
                            "WHERE type = 'table' AND name = 'PAGVERSAO'")
               .AsInteger() > 0;
}

void EnsureSchema(TSqlConnection& connection) {
    connection.EnsureHelperFunctions();
    platform::TSqlTransaction transaction(connection);
    if (connection.Kind() == TSqlKind::PostgreSQL)
        connection.SelectValue("SELECT pg_advisory_xact_lock(8211900)");
    int version = 0;
    if (SchemaExists(connection)) {
        version = StoredVersion(connection);
        if (version == kSchemaVersion) return;
        if (version < 1 || version > kSchemaVersion)
            throw platform::EDatabaseError(
                "O banco de dados tem o esquema versão " + std::to_string(version) +
                "; este servidor usa a versão " + std::to_string(kSchemaVersion) + ".");
    } else {
        CreateVersion1(connection);
        version = 1;
    }
    for (; version < kSchemaVersion; ++version) Upgrade(connection, version);
    transaction.Commit();
}

void CreateSchemaAtVersion(TSqlConnection& connection, int version) {
    if (version < 1 || version > kSchemaVersion)
        throw platform::EDatabaseError(
            "Versão de esquema desconhecida: " + std::to_string(version) + ".");
    connection.EnsureHelperFunctions();
    platform::TSqlTransaction transaction(connection);
    CreateVersion1(connection);
    for (int v = 1; v < version; ++v) Upgrade(connection, v);
    transaction.Commit();
}

int SchemaVersion(TSqlConnection& connection) {
    return SchemaExists(connection) ? StoredVersion(connection) : 0;
}

void ClearData(TSqlConnection& connection) {
    for (const char* table : kDataTables) connection.Execute(std::string("DELETE FROM ") + table);
    connection.ExecuteScript(kCounterRows);
}

} // namespace server
