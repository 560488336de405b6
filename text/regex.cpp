#include "text/regex.h"

#include "text/regex_backtracker.h"
#include "text/regex_characters.h"
#include "text/regex_pike_vm.h"

namespace velvane::regex {

std::optional<Regex> Regex::compile(std::string_view pattern, const Options& options,
                                    CompileError* error) {
    std::optional<SyntaxTree> tree = parsePattern(pattern, error);
    if (!tree) {
        return std::nullopt;
    }
    std::optional<Program> program = compileProgram(*tree, options, error);
    if (!program) {
        return std::nullopt;
    }
    return Regex(std::make_shared<const Program>(std::move(*program)));
}

Searcher::Searcher(const Regex& regex, Engine engine)
    : regex_(regex),
      vm_(std::make_unique<PikeVm>(regex_.program())),
      slots_(static_cast<std::size_t>(regex_.program().slotCount), kNoPosition) {
    if (engine == Engine::kAutomatic && Backtracker::canRun(regex_.program())) {
        backtracker_ = std::make_unique<Backtracker>(regex_.program());
    }
}

Searcher::Searcher(const Regex& regex, std::string_view subject, Engine engine)
    : Searcher(regex, engine) {
    reset(subject);
}

Searcher::~Searcher() = default;

void Searcher::reset(std::string_view subject) {
    subject_ = subject;
    from_ = 0;
    floor_ = 0;
    done_ = false;
    std::fill(slots_.begin(), slots_.end(), kNoPosition);
}

// The floor handed to the VM is a character start before `from_`: the start of the previous
// match, or the position of the empty match that `from_` stepped over. So finding the
// character before `from_` never walks back over more than the previous match.
bool Searcher::next() {
    if (done_ || !search()) {
        done_ = true;
        std::fill(slots_.begin(), slots_.end(), kNoPosition);
        return false;
    }
    const std::size_t begin = slots_[0];
    const std::size_t end = slots_[1];
    if (end > begin) {
        from_ = end;
        floor_ = begin;
    } else if (end < subject_.size()) {
        from_ = end + decodeAt(subject_, end).length;
        floor_ = end;
    } else {
        done_ = true;  // an empty match at the end is the last one
    }
    return true;
}

// One search from `from_`: the backtracker first when it can run, then the Pike VM from where
// the backtracker gave up; or the Pike VM for everything.
bool Searcher::search() {
    if (!backtracker_) {
        return vm_->search(subject_, from_, floor_, slots_.data());
    }
    std::size_t resume = 0;
    switch (backtracker_->search(subject_, from_, floor_, slots_.data(), resume)) {
        case Backtracker::Outcome::kMatch:
            return true;
        case Backtracker::Outcome::kNoMatch:
            return false;
        case Backtracker::Outcome::kTooLong:
            break;
    }
    return vm_->search(subject_, resume, resume > from_ ? from_ : floor_, slots_.data());
}

Span Searcher::group(int g) const {
    const auto index = static_cast<std::size_t>(2 * g);
    if (g < 0 || index + 1 >= slots_.size() || g > regex_.captureCount() ||
        slots_[index] == kNoPosition || slots_[index + 1] == kNoPosition) {
        return {};
    }
    return {slots_[index], slots_[index + 1]};
}

}  // namespace velvane::regex
