#include "tools/inventory.h"

#include "tools/backupfile.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace dvrcfg {
namespace {

constexpr std::size_t MaxSecret = 4096;
constexpr std::size_t MaxInventory = 16 * 1024 * 1024;

// Whether group and others are kept out of the file: its mode, or the cause in `error`.
bool privateFile(const std::string &path, const char *what, std::string &error)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = path + ": not a regular file";
        return false;
    }
#ifndef _WIN32
    if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        error = path + ": " + what + " that others than its owner may read (chmod 600 " + path + ")";
        return false;
    }
#else
    (void)what;
#endif
    return true;
}

// Splits a line at blanks; "double quotes" keep blanks and # inside a word.
bool words(const std::string &line, std::vector<std::string> &out)
{
    std::string word;
    bool inWord = false, quoted = false;
    for (const char c : line) {
        if (quoted) {
            if (c == '"')
                quoted = false;
            else
                word += c;
        } else if (c == '"') {
            quoted = inWord = true;
        } else if (c == ' ' || c == '\t') {
            if (inWord)
                out.push_back(word);
            word.clear();
            inWord = false;
        } else if ((c == '#' || c == ';') && !inWord) {
            break;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        out.push_back(word);
    return !quoted;
}

using Settings = std::map<std::string, std::string>;

const std::set<std::string> &knownKeys()
{
    static const std::set<std::string> keys{"address", "user", "password_env", "password_file", "password", "tags"};
    return keys;
}

// The credentials of `settings` over `base`; the first secret a recorder names is the one used.
Credentials credentialsOf(const Settings &settings, Credentials base)
{
    if (const auto user = settings.find("user"); user != settings.end())
        base.user = user->second;
    if (const auto inline_ = settings.find("password"); inline_ != settings.end()) {
        base.password = inline_->second;
        base.error.clear();
    } else if (const auto file = settings.find("password_file"); file != settings.end()) {
        base.error.clear();
        if (!readSecretFile(file->second, base.password, base.error))
            base.error = "password_file: " + base.error;
    } else if (const auto env = settings.find("password_env"); env != settings.end()) {
        base.error.clear();
        if (const char *value = std::getenv(env->second.c_str()))
            base.password = value;
        else
            base.error = "password_env: the environment variable " + env->second + " is not set";
    }
    return base;
}

std::vector<std::string> splitList(const std::string &text, const char *separators)
{
    std::vector<std::string> out;
    std::string item;
    for (const char c : text + separators[0]) {
        if (std::strchr(separators, c)) {
            if (!item.empty())
                out.push_back(item);
            item.clear();
        } else {
            item += c;
        }
    }
    return out;
}

} // namespace

bool readSecretFile(const std::string &path, std::string &secret, std::string &error)
{
    if (!privateFile(path, "a secret file", error))
        return false;
    std::ifstream in(path, std::ios::binary);
    std::string text(MaxSecret + 1, '\0');
    in.read(text.data(), std::streamsize(text.size()));
    text.resize(std::size_t(in.gcount()));
    if (!in.eof() && !in) {
        error = path + ": cannot be read";
        return false;
    }
    if (text.size() > MaxSecret) {
        error = path + ": larger than a password can be";
        return false;
    }
    secret = text.substr(0, text.find_first_of("\r\n"));
    return true;
}

bool globMatch(const std::string &pattern, const std::string &text)
{
    // Iterative, with one point to come back to: the last '*'.
    std::size_t p = 0, t = 0, star = std::string::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (star != std::string::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool readInventory(const std::string &path, const Credentials &defaults, std::vector<Target> &out, std::string &error)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode) || std::size_t(st.st_size) > MaxInventory) {
        error = path + ": not an inventory (a regular file of at most 16 MiB)";
        return false;
    }
    std::ifstream in(path);
    if (!in) {
        error = path + ": cannot be read";
        return false;
    }
    std::string ignored;
    const bool privateInventory = privateFile(path, "", ignored);

    struct Entry {
        std::string name;
        Settings settings;
        std::vector<std::string> groups;
        int line;
    };
    std::vector<Entry> entries;
    std::map<std::string, Settings> groupVars;
    std::string group;
    bool vars = false;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::string where = path + ":" + std::to_string(number) + ": ";
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::vector<std::string> w;
        if (!words(line, w)) {
            error = where + "a quote is not closed";
            return false;
        }
        if (w.empty())
            continue;
        if (w.front().front() == '[') {
            const std::string head = w.front();
            if (w.size() != 1 || head.size() < 3 || head.back() != ']') {
                error = where + "a group is written [name] or [name:vars]";
                return false;
            }
            group = head.substr(1, head.size() - 2);
            vars = group.size() > 5 && group.compare(group.size() - 5, 5, ":vars") == 0;
            if (vars)
                group.erase(group.size() - 5);
            continue;
        }
        Settings settings;
        const std::size_t first = vars ? 0 : 1;
        for (std::size_t i = first; i < w.size(); ++i) {
            const auto eq = w[i].find('=');
            const std::string key = w[i].substr(0, eq);
            if (eq == std::string::npos || !knownKeys().count(key) || (vars && (key == "address" || key == "tags"))) {
                error = where + "\"" + w[i] + "\" is not " +
                        (vars ? "user=, password_env=, password_file= or password="
                              : "address=, user=, password_env=, password_file=, password= or tags=");
                return false;
            }
            if (settings.count(key)) {
                error = where + key + "= is given twice";
                return false;
            }
            settings[key] = w[i].substr(eq + 1);
        }
        if (settings.count("password") && !privateInventory) {
            error = where +
                    "a password in an inventory others than its owner may read: use password_file= or "
                    "password_env=, or chmod 600 " +
                    path;
            return false;
        }
        if (vars) {
            for (const auto &[key, value] : settings)
                if (!groupVars[group].emplace(key, value).second) {
                    error = where + key + "= is given twice for group " + group;
                    return false;
                }
            continue;
        }
        Entry e{w.front(), settings, {}, number};
        if (!group.empty())
            e.groups.push_back(group);
        if (const auto tags = settings.find("tags"); tags != settings.end())
            for (const std::string &t : splitList(tags->second, ","))
                e.groups.push_back(t);
        entries.push_back(std::move(e));
    }

    std::vector<Target> targets;
    std::set<std::string> names;
    for (const Entry &e : entries) {
        const std::string where = path + ":" + std::to_string(e.line) + ": ";
        Target t;
        t.name = e.name;
        const auto address = e.settings.find("address");
        t.address = address != e.settings.end() ? address->second : e.name;
        if (!looksLikeAddress(t.address)) {
            error = where + "\"" + t.address + "\" is not an address (HOST:PORT or sim://QUERY)" +
                    (address == e.settings.end() ? "; a name takes address=" : "");
            return false;
        }
        if (!names.insert(t.name).second) {
            error = where + "\"" + t.name + "\" is listed twice";
            return false;
        }
        t.groups = e.groups;
        // Group settings under the recorder's own; an earlier group wins over a later one.
        Credentials c = defaults;
        for (auto g = e.groups.rbegin(); g != e.groups.rend(); ++g)
            if (const auto found = groupVars.find(*g); found != groupVars.end())
                c = credentialsOf(found->second, c);
        t.credentials = credentialsOf(e.settings, c);
        targets.push_back(std::move(t));
    }
    for (const auto &vars : groupVars)
        if (std::none_of(entries.begin(), entries.end(), [&](const Entry &e) {
                return std::find(e.groups.begin(), e.groups.end(), vars.first) != e.groups.end();
            })) {
            error = path + ": [" + vars.first + ":vars] names a group no recorder belongs to";
            return false;
        }
    out = std::move(targets);
    return true;
}

bool limitTargets(std::vector<Target> &targets, const std::string &pattern, std::string &error)
{
    std::vector<std::string> any, all, none;
    for (const std::string &p : splitList(pattern, ",:")) {
        auto &list = p[0] == '!' ? none : p[0] == '&' ? all : any;
        const std::string body = p[0] == '!' || p[0] == '&' ? p.substr(1) : p;
        if (body.empty()) {
            error = "--limit: an empty pattern in \"" + pattern + "\"";
            return false;
        }
        list.push_back(body);
    }
    if (any.empty() && all.empty() && none.empty()) {
        error = "--limit: no pattern";
        return false;
    }
    const auto matches = [](const Target &t, const std::string &p) {
        return globMatch(p, t.name) || globMatch(p, t.address) ||
               std::any_of(t.groups.begin(), t.groups.end(), [&](const std::string &g) { return globMatch(p, g); });
    };
    std::vector<Target> kept;
    for (const Target &t : targets) {
        const bool in = any.empty() || std::any_of(any.begin(), any.end(), [&](auto &p) { return matches(t, p); });
        if (in && std::all_of(all.begin(), all.end(), [&](auto &p) { return matches(t, p); }) &&
            std::none_of(none.begin(), none.end(), [&](auto &p) { return matches(t, p); }))
            kept.push_back(t);
    }
    if (kept.empty()) {
        error = "--limit " + pattern + ": no recorder of the inventory matches";
        return false;
    }
    targets = std::move(kept);
    return true;
}

} // namespace dvrcfg
