#include "report/Sources.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <vector>

#include "report/Readers.h"
#include "ui/Texts.h"
#include "watch/Watch.h"

namespace dormix::report {
namespace {

namespace fs = std::filesystem;

enum class Form { None, TextLog, WatchLog, Journal, Events };

// Deeper than any share of collected logs; a tree deeper still is a trap.
constexpr int DepthLimit = 32;

bool EndsWith(const std::string& name, std::string_view suffix) {
    if (name.size() < suffix.size()) return false;
    return std::equal(suffix.begin(), suffix.end(), name.end() - std::ptrdiff_t(suffix.size()),
                      [](char a, char b) { return std::tolower(a) == std::tolower(b); });
}

Form FormByName(const fs::path& path) {
    const std::string name = path.filename().string();
    if (name == text::LogFileName) return Form::TextLog;
    if (name == watch::LogFileName) return Form::WatchLog;
    if (EndsWith(name, ".json")) return Form::Journal;
    if (EndsWith(name, ".xml")) return Form::Events;
    return Form::None;
}

Form FormByContent(std::istream& in) {
    char first[4] = {};
    in.read(first, sizeof first);
    const std::size_t got = std::size_t(in.gcount());
    in.clear();
    in.seekg(0);
    std::size_t i = 0;
    if (got >= 3 && std::string_view(first, 3) == "\xEF\xBB\xBF") i = 3;
    if (got >= 2 && std::string_view(first, 2) == "\xFF\xFE") return Form::Events;
    while (i < got && (first[i] == ' ' || first[i] == '\n' || first[i] == '\r')) ++i;
    if (i < got && first[i] == '{') return Form::Journal;
    if (i < got && first[i] == '<') return Form::Events;
    return Form::TextLog;
}

// `path` is `top` or below it (both canonical).
bool Within(const fs::path& path, const fs::path& top) {
    auto p = path.begin();
    for (auto t = top.begin(); t != top.end(); ++t, ++p)
        if (p == path.end() || *p != *t) return false;
    return true;
}

class Reader {
  public:
    Reader(FleetTable& table, Health& health) : table_(table), health_(health) {}

    void File(const fs::path& path, Form form) {
        std::ifstream in(path, std::ios::binary);
        const std::string where = path.string();
        if (!in) {
            health_.Report(Problem::SourceUnreadable, where, "cannot be opened");
            ++count.failed;
            return;
        }
        // An empty file (an export that wrote nothing) holds no machine.
        if (in.peek() == std::ifstream::traits_type::eof()) {
            health_.Report(Problem::SourceUnreadable, where, "is empty: nothing to read");
            ++count.failed;
            return;
        }
        ++count.opened;
        ++health_.filesRead;
        if (form == Form::None) form = FormByContent(in);
        if (form == Form::Journal) return ReadJournal(in, where, table_, health_);
        if (form == Form::Events) return ReadEventXml(in, where, table_, health_);
        bool belowMachine = false;
        const std::size_t index = table_.Machine(MachineOf(path, belowMachine));
        if (belowMachine && !room_.empty()) table_.Room(index, room_);
        ReadTextLog(in, where, index, form == Form::WatchLog ? Stream::Watch : Stream::Program,
                    table_, health_);
    }

    // A share's links are followed only as far as the share goes: a link to
    // /usr or / would read what no machine wrote.
    void Tree(const fs::path& root) {
        root_ = root;
        // The room: the source folder's own name.
        std::error_code ec;
        fs::path named = fs::absolute(root, ec).lexically_normal();
        if (!named.has_filename()) named = named.parent_path();
        room_ = ec ? std::string() : NamedFolder(named);
        std::error_code rootError;
        const fs::path top = fs::canonical(root, rootError);
        std::vector<std::pair<fs::path, int>> stack{{root, 0}};
        while (!stack.empty()) {
            auto [folder, depth] = stack.back();
            stack.pop_back();
            std::error_code ec;
            const fs::path real = fs::canonical(folder, ec);
            if (ec) {
                health_.Report(Problem::SourceUnreadable, folder.string(), ec.message());
                ++count.failed;
                continue;
            }
            if (!rootError && !Within(real, top)) {
                health_.Report(Problem::OutsideSource, folder.string(),
                               "leads to " + real.string());
                continue;
            }
            if (!visited_.insert(real.string()).second || depth > DepthLimit) {
                health_.Report(Problem::PathLoop, folder.string(), "leads to " + real.string());
                continue;
            }
            std::vector<fs::directory_entry> children;
            fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
            for (; !ec && it != fs::directory_iterator(); it.increment(ec)) children.push_back(*it);
            if (ec) {
                health_.Report(Problem::SourceUnreadable, folder.string(), ec.message());
                ++count.failed;
            }
            std::sort(children.begin(), children.end());
            for (auto child = children.rbegin(); child != children.rend(); ++child) {
                if (child->is_directory(ec)) stack.emplace_back(child->path(), depth + 1);
            }
            for (const fs::directory_entry& child : children) {
                const Form form = FormByName(child.path());
                if (form == Form::None || !child.is_regular_file(ec)) continue;
                if (child.is_symlink(ec)) {
                    const fs::path real = fs::canonical(child.path(), ec);
                    if (ec || rootError || !Within(real, top)) {
                        health_.Report(Problem::OutsideSource, child.path().string(),
                                       "leads to " + real.string());
                        continue;
                    }
                }
                File(child.path(), form);
            }
        }
        root_.clear();
        room_.clear();
    }

    SourceCount count;

  private:
    // A text log's machine: in a source folder, the first folder below it
    // that is no Log folder (pc01/Log/DormixL.log and pc01/alice/DormixL.log
    // are pc01's), each folder joined below it said once; a file at the top
    // of the source, or named alone, its nearest folder that is none.
    // `belowMachine`: the log lies in a machine folder below the source.
    std::string MachineOf(const fs::path& path, bool& belowMachine) {
        std::string machine;
        fs::path below;
        if (!root_.empty())
            for (const fs::path& part : path.lexically_relative(root_).parent_path()) {
                if (IsLogFolder(part) || part == ".") continue;
                if (machine.empty())
                    machine = Utf8(part);
                else
                    below /= part;
            }
        belowMachine = !machine.empty();
        std::error_code ec;
        const fs::path folder = fs::absolute(path, ec).lexically_normal().parent_path();
        if (machine.empty() && !ec) machine = NamedFolder(folder);
        if (machine.empty()) machine = Utf8(path.stem());
        if (!below.empty() && joined_.insert(machine + "/" + below.generic_string()).second)
            health_.Report(Problem::NamesJoined, machine,
                           "the folder " + below.generic_string() +
                               " below it is read as this machine (a user's folder?)");
        return machine;
    }
    // The name of `folder` (absolute), or of the nearest folder above it
    // that is no Log folder; empty at the root.
    static std::string NamedFolder(fs::path folder) {
        for (; folder.has_filename(); folder = folder.parent_path())
            if (!IsLogFolder(folder.filename())) return Utf8(folder.filename());
        return {};
    }
    // A folder's name in UTF-8, as the exports' host names are, whatever
    // the system's code page (Windows).
    static std::string Utf8(const fs::path& name) {
        const std::u8string text = name.u8string();
        return std::string(text.begin(), text.end());
    }
    static bool IsLogFolder(const fs::path& name) {
        const std::string folded = Folded(name.string());
        return folded == Folded(text::LogDirectory) || folded == Folded(text::WatchLogDirectory);
    }

    FleetTable& table_;
    Health& health_;
    std::set<std::string> visited_, joined_;
    fs::path root_;
    std::string room_;
};

}  // namespace

SourceCount ReadSources(const std::vector<std::string>& sources, FleetTable& table,
                        Health& health) {
    Reader reader(table, health);
    for (const std::string& source : sources) {
        const fs::path path(source);
        std::error_code ec;
        if (fs::is_directory(path, ec))
            reader.Tree(path);
        else if (fs::exists(path, ec))
            reader.File(path, FormByName(path) == Form::WatchLog ? Form::WatchLog : Form::None);
        else {
            health.Report(Problem::SourceUnreadable, source, "no such file or folder");
            ++reader.count.failed;
        }
    }
    return reader.count;
}

}  // namespace dormix::report
