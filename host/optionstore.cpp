// Reading and atomically writing saved option files.
#include "host/optionstore.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/session.h"
#include "platform/sysutils.h"

namespace host {

namespace {

constexpr const char* Header = "pag00900-opcoes 1";
constexpr std::uintmax_t MaxFileSize = 1024 * 1024;

std::string FileNamePart(const std::string& text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        bool plain =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string Escape(const std::string& value) {
    std::string out;
    for (char c : value) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

// The unescaped value, or nullopt for a bad escape.
std::optional<std::string> Unescape(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\') {
            out += value[i];
            continue;
        }
        if (++i >= value.size()) return std::nullopt;
        switch (value[i]) {
        case '\\': out += '\\'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        default: return std::nullopt;
        }
    }
    return out;
}

[[noreturn]] void Damaged(const std::string& path, int line) {
    throw platform::Exception("O arquivo de opções salvas \"" + path +
                              "\" está danificado (linha " + std::to_string(line) +
                              "). Salve as opções novamente.");
}

[[noreturn]] void WriteFailed(const std::string& path, int error) {
    throw platform::Exception("Não foi possível salvar as opções em \"" + path +
                              "\": " + std::strerror(error) + ".");
}

} // namespace

std::string OptionsFilePath(const std::string& operatorCode, const std::string& screenCode,
                            const std::string& folder) {
    std::string dir = folder.empty() ? ConfigFolder() : folder;
    return dir + "/" + FileNamePart(operatorCode) + "_" + FileNamePart(screenCode) + ".opc";
}

void SaveOptionLines(const std::string& path, const std::vector<std::string>& lines) {
    std::string content = std::string(Header) + "\n";
    for (const std::string& line : lines) {
        std::size_t eq = line.find('=');
        if (eq == std::string::npos || eq == 0 || line.find_first_of("\r\n") < eq)
            throw platform::Exception("Linha de opção inválida: '" + line + "'.");
        content += line.substr(0, eq + 1) + Escape(line.substr(eq + 1)) + "\n";
    }

    std::error_code ec;
    std::filesystem::path target(path);
    if (target.has_parent_path()) {
        std::filesystem::create_directories(target.parent_path(), ec);
        if (ec) WriteFailed(path, ec.value());
    }
    std::string temp = path + ".tmp" + std::to_string(::getpid());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) WriteFailed(path, errno);
    const char* data = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        ssize_t n = ::write(fd, data, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            int error = n < 0 ? errno : EIO;
            ::close(fd);
            ::unlink(temp.c_str());
            WriteFailed(path, error);
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        int error = errno;
        ::unlink(temp.c_str());
        WriteFailed(path, error);
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        int error = errno;
        ::unlink(temp.c_str());
        WriteFailed(path, error);
    }
}

std::optional<std::vector<std::string>> LoadOptionLines(const std::string& path) {
    std::error_code ec;
    auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found) return std::nullopt;
    auto readFailed = [&](const std::string& reason) -> void {
        throw platform::Exception("Não foi possível ler o arquivo de opções salvas \"" + path +
                                  "\": " + reason + ".");
    };
    if (ec) readFailed(ec.message());
    if (!std::filesystem::is_regular_file(status)) readFailed("não é um arquivo comum");
    std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) readFailed(ec.message());
    if (size > MaxFileSize) Damaged(path, 1);

    std::ifstream in(path, std::ios::binary);
    if (!in) readFailed(std::strerror(errno));
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) readFailed(std::strerror(errno));
    std::string content = buffer.str();

    std::vector<std::string> lines;
    std::size_t pos = 0;
    int lineNo = 0;
    bool sawHeader = false;
    while (pos < content.size()) {
        std::size_t end = content.find('\n', pos);
        if (end == std::string::npos) end = content.size();
        std::string_view line(content.data() + pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (!sawHeader) {
            if (line != Header) Damaged(path, lineNo);
            sawHeader = true;
            continue;
        }
        std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || eq == 0) Damaged(path, lineNo);
        std::optional<std::string> value = Unescape(line.substr(eq + 1));
        if (!value) Damaged(path, lineNo);
        lines.push_back(std::string(line.substr(0, eq + 1)) + *value);
    }
    if (!sawHeader) Damaged(path, 1);
    return lines;
}

} // namespace host
