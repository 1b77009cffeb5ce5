// The desktop's session settings (operator, company, branch, server with its TLS choice and
// authorities, database): saved per user,
// overridden by the command line, and the dialog that edits them.
#include "desktop/settings.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>

#include "desktop/qtconvert.h"
#include "platform/sysutils.h"

namespace desktop {

namespace {

void ReadText(QSettings& store, const char* key, std::string& value) {
    if (store.contains(key)) value = FromQString(store.value(key).toString());
}

// The server field split into its scheme ("https", "http", or empty without one) and the rest.
std::pair<QString, QString> SplitScheme(const QString& text) {
    const QString trimmed = text.trimmed();
    const qsizetype at = trimmed.indexOf(QStringLiteral("://"));
    if (at < 0) return {QString(), trimmed};
    return {trimmed.left(at).toLower(), trimmed.mid(at + 3)};
}

} // namespace

TDesktopSettings TDesktopSettings::FromSession(const host::THostSession& session) {
    TDesktopSettings settings;
    settings.operatorCode = session.operatorCode;
    settings.company = session.company;
    settings.branch = session.branch;
    settings.serverHost = session.serverHost;
    settings.serverPort = session.serverPort;
    settings.databaseUrl = session.databaseUrl;
    settings.serverTls = session.serverTls;
    settings.serverCaFile = session.serverCaFile;
    return settings;
}

void TDesktopSettings::ApplyTo(host::THostSession& session) const {
    session.operatorCode = operatorCode;
    session.company = company;
    session.branch = branch;
    session.serverHost = serverHost;
    session.serverPort = serverPort;
    session.databaseUrl = databaseUrl;
    session.serverTls = serverTls;
    session.serverCaFile = serverCaFile;
}

std::string TDesktopSettings::ServerText() const {
    return (serverTls ? "https://" : "") + serverHost + ":" + std::to_string(serverPort);
}

TDesktopSettings LoadSettings(QSettings& store, const TDesktopSettings& defaults) {
    TDesktopSettings settings = defaults;
    ReadText(store, "sessao/operador", settings.operatorCode);
    ReadText(store, "sessao/empresa", settings.company);
    ReadText(store, "sessao/filial", settings.branch);
    ReadText(store, "servidor/host", settings.serverHost);
    ReadText(store, "banco/url", settings.databaseUrl);
    ReadText(store, "servidor/ca", settings.serverCaFile);
    if (store.contains("servidor/tls")) settings.serverTls = store.value("servidor/tls").toBool();
    if (store.contains("servidor/porta")) {
        bool ok = false;
        int port = store.value("servidor/porta").toInt(&ok);
        if (ok && port >= 1 && port <= 65535) settings.serverPort = port;
    }
    return settings;
}

void SaveSettings(QSettings& store, const TDesktopSettings& settings) {
    store.setValue("sessao/operador", ToQString(settings.operatorCode));
    store.setValue("sessao/empresa", ToQString(settings.company));
    store.setValue("sessao/filial", ToQString(settings.branch));
    store.setValue("servidor/host", ToQString(settings.serverHost));
    store.setValue("servidor/porta", settings.serverPort);
    store.setValue("banco/url", ToQString(settings.databaseUrl));
    store.setValue("servidor/tls", settings.serverTls);
    store.setValue("servidor/ca", ToQString(settings.serverCaFile));
    store.sync();
}

TSettingsDialog::TSettingsDialog(const TDesktopSettings& settings, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Configurações"));
    auto* form = new QFormLayout(this);
    operator_ = new QLineEdit(ToQString(settings.operatorCode), this);
    company_ = new QLineEdit(ToQString(settings.company), this);
    branch_ = new QLineEdit(ToQString(settings.branch), this);
    host_ = new QLineEdit(ToQString((settings.serverTls ? "https://" : "") + settings.serverHost),
                          this);
    host_->setPlaceholderText(QStringLiteral("nome ou endereço; https://... para TLS"));
    port_ = new QSpinBox(this);
    port_->setRange(1, 65535);
    port_->setValue(settings.serverPort >= 1 && settings.serverPort <= 65535 ? settings.serverPort
                                                                             : 8211);
    database_ = new QLineEdit(ToQString(settings.databaseUrl), this);
    database_->setPlaceholderText(QStringLiteral("sqlite:ARQUIVO ou postgresql://..."));
    ca_ = new QLineEdit(ToQString(settings.serverCaFile), this);
    ca_->setPlaceholderText(QStringLiteral("vazio: as do sistema (só com https://)"));
    form->addRow(QStringLiteral("&Operador:"), operator_);
    form->addRow(QStringLiteral("&Empresa:"), company_);
    form->addRow(QStringLiteral("&Filial:"), branch_);
    form->addRow(QStringLiteral("&Servidor de aplicação:"), host_);
    form->addRow(QStringLiteral("&Porta:"), port_);
    form->addRow(QStringLiteral("&Autoridades certificadoras:"), ca_);
    form->addRow(QStringLiteral("&Banco de dados:"), database_);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("Cancelar"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &TSettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    setMinimumWidth(420);
}

TDesktopSettings TSettingsDialog::Settings() const {
    TDesktopSettings settings;
    settings.operatorCode = FromQString(operator_->text().trimmed());
    settings.company = FromQString(company_->text().trimmed());
    settings.branch = FromQString(branch_->text().trimmed());
    const auto [scheme, serverHost] = SplitScheme(host_->text());
    settings.serverHost = FromQString(serverHost);
    settings.serverTls = scheme == QStringLiteral("https");
    settings.serverPort = port_->value();
    settings.databaseUrl = FromQString(database_->text().trimmed());
    settings.serverCaFile = FromQString(ca_->text().trimmed());
    return settings;
}

void TSettingsDialog::accept() {
    auto refuse = [this](QLineEdit* edit, const char* message) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Aviso"), QString::fromUtf8(message),
                        QMessageBox::NoButton, this);
        box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        box.exec();
        edit->setFocus();
    };
    const auto [scheme, serverHost] = SplitScheme(host_->text());
    const std::pair<QLineEdit*, const char*> required[] = {
        {operator_, "O operador deve ser informado."},
        {company_, "A empresa deve ser informada."},
        {branch_, "A filial deve ser informada."},
    };
    for (const auto& [edit, message] : required)
        if (edit->text().trimmed().isEmpty()) return refuse(edit, message);
    if (serverHost.isEmpty()) return refuse(host_, "O servidor de aplicação deve ser informado.");
    if ((!scheme.isEmpty() && scheme != QStringLiteral("https") &&
         scheme != QStringLiteral("http")) ||
        serverHost.contains(QLatin1Char('/')))
        return refuse(host_, "O servidor de aplicação deve ser um nome ou endereço, com https:// "
                             "à frente para usar TLS; a porta vai no campo Porta.");
    const QString ca = ca_->text().trimmed();
    if (!ca.isEmpty() && !(QFileInfo(ca).isFile() && QFileInfo(ca).isReadable()))
        return refuse(ca_, "O arquivo de autoridades certificadoras não pôde ser lido.");
    QDialog::accept();
}

} // namespace desktop
