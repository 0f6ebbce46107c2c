#include "protocol/verdict_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "base/error.h"
#include "base/format.h"
#include "base/resource_strings.h"
#include "protocol/answer_document.h"

namespace lintrove {
namespace {

constexpr std::string_view kSupported = "supported";

bool IsElement(pugi::xml_node node, std::string_view name) {
  return node.type() == pugi::node_element && NameIs(node.name(), name);
}

// The child elements of that name, in document order. Every node accessor is a call into the
// parser's library; the type of a null node is node_null, so one call both ends the walk and
// tells elements from text.
template <typename Visit>
void ForEachChildElement(pugi::xml_node parent, std::string_view name, Visit visit) {
  pugi::xml_node_type type;
  for (pugi::xml_node child = parent.first_child(); (type = child.type()) != pugi::node_null;
       child = child.next_sibling()) {
    if (type == pugi::node_element && NameIs(child.name(), name)) visit(child);
  }
}

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// An attribute compared with a number in a path predicate ([@ID=5]) counts as the number its
// text reads as: blanks around it allowed, "05" and "5.0" equal to 5. Other texts never match.
std::optional<std::int64_t> PathNumber(std::string_view text) {
  // What the service sends, a plain number of a few digits, without the conversion below.
  if (!text.empty() && text.size() <= 9 &&
      text.find_first_not_of("0123456789") == std::string_view::npos) {
    std::int64_t value = 0;
    for (const char digit : text) value = value * 10 + (digit - '0');
    return value;
  }
  while (!text.empty() && IsXmlSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsXmlSpace(text.back())) text.remove_suffix(1);
  const std::string_view digits = text.starts_with('-') ? text.substr(1) : text;
  const std::size_t point = digits.find('.');
  const std::string_view whole = digits.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view() : digits.substr(point + 1);
  auto all_digits = [](std::string_view part) {
    return part.find_first_not_of("0123456789") == std::string_view::npos;
  };
  if ((whole.empty() && fraction.empty()) || !all_digits(whole) || !all_digits(fraction)) {
    return std::nullopt;
  }
  double value = 0;
  const auto [stop, error] =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  if (error != std::errc() || stop != text.data() + text.size()) return std::nullopt;
  if (value != std::floor(value) || std::abs(value) > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int64_t>(value);
}

// The attributes of one "Programm" element, found in one walk over them; null when absent.
struct VerdictAttributes {
  explicit VerdictAttributes(pugi::xml_node verdict) : element(verdict) {
    const std::pair<std::string_view, const char**> wanted[] = {
        {"ID", &id},
        {"Status", &status},
        {"Hash", &hash},
        {"CurrentVersionId", &current_version_id},
        {"str_hersteller", &str_hersteller},
        {"str_homepage", &str_homepage},
    };
    // A null attribute's name is empty, and an attribute of the document has a name.
    const char* name;
    for (pugi::xml_attribute attribute = element.first_attribute(); *(name = attribute.name());
         attribute = attribute.next_attribute()) {
      for (const auto& [wanted_name, value] : wanted) {
        if (NameIs(name, wanted_name)) {
          if (*value == nullptr) *value = attribute.value();
          break;
        }
      }
    }
    if (id != nullptr) id_number = PathNumber(id);
  }

  std::string_view Required(const char* value, const char* name) const {
    if (value == nullptr) {
      throw Error(Format(LoadResString(ResString::AnswerAttributeMissing), name, element.name()));
    }
    return value;
  }

  pugi::xml_node element;
  const char* id = nullptr;
  const char* status = nullptr;
  const char* hash = nullptr;
  const char* current_version_id = nullptr;
  const char* str_hersteller = nullptr;
  const char* str_homepage = nullptr;
  // The number the ID reads as in a path predicate.
  std::optional<std::int64_t> id_number;
};

// The answer's verdicts in document order: "Programm" below "ProgrammVersionliste" below the
// root "dorvupdater". A document of another root is not the service's answer, though it may
// parse (a proxy's error page in XHTML): reading it as one without verdicts would report a
// failed exchange as a completed check.
std::vector<VerdictAttributes> Verdicts(const pugi::xml_document& answer) {
  std::vector<VerdictAttributes> verdicts;
  const pugi::xml_node root = answer.document_element();
  if (!IsElement(root, "dorvupdater")) {
    throw Error(Format(LoadResString(ResString::AnswerOfAnotherKind), root.name()));
  }
  ForEachChildElement(root, "ProgrammVersionliste", [&verdicts](pugi::xml_node list) {
    ForEachChildElement(list, "Programm",
                        [&verdicts](pugi::xml_node verdict) { verdicts.emplace_back(verdict); });
  });
  return verdicts;
}

// How many verdicts name each position of the list sent, by the number their "ID" reads as.
std::vector<int> VerdictsPerPosition(const std::vector<VerdictAttributes>& verdicts,
                                     int positions) {
  std::vector<int> counts(static_cast<std::size_t>(positions), 0);
  for (const VerdictAttributes& verdict : verdicts) {
    const std::optional<std::int64_t>& number = verdict.id_number;
    // Versions of a number outside the list are never asked for: reading that ID fails.
    if (number && *number >= 0 && *number < positions) ++counts[static_cast<std::size_t>(*number)];
  }
  return counts;
}

template <typename Visit>
void ForEachOwnVersion(pugi::xml_node verdict, Visit visit) {
  ForEachChildElement(verdict, "Version", visit);
}

// The "Version" elements that the path ".../Programm[@ID=p]/Version" selects for a position p
// that several verdicts name, in document order, kept as chains in one array. (A position that
// one verdict names has that verdict's own versions.) Gathered in one walk instead of one walk
// of the document per program.
class SharedVersions {
 public:
  SharedVersions(const std::vector<VerdictAttributes>& verdicts, const std::vector<int>& counts)
      : head_(counts.size(), kEnd), tail_(counts.size(), kEnd) {
    for (const VerdictAttributes& verdict : verdicts) {
      const std::optional<std::int64_t>& number = verdict.id_number;
      if (!number || *number < 0 || *number >= static_cast<std::int64_t>(counts.size())) continue;
      const auto position = static_cast<std::size_t>(*number);
      if (counts[position] < 2) continue;
      ForEachOwnVersion(verdict.element, [&](pugi::xml_node version) {
        const int link = static_cast<int>(links_.size());
        links_.push_back({version, kEnd});
        (tail_[position] == kEnd ? head_[position]
                                 : links_[static_cast<std::size_t>(tail_[position])].next) = link;
        tail_[position] = link;
      });
    }
  }

  template <typename Visit>
  void ForEach(int position, Visit visit) const {
    for (int link = head_[static_cast<std::size_t>(position)]; link != kEnd;
         link = links_[static_cast<std::size_t>(link)].next) {
      visit(links_[static_cast<std::size_t>(link)].node);
    }
  }

 private:
  static constexpr int kEnd = -1;
  struct Link {
    pugi::xml_node node;
    int next;
  };
  std::vector<int> head_;
  std::vector<int> tail_;
  std::vector<Link> links_;
};

// The record of each program, the first one holding it when several do.
class RecordsByProgram {
 public:
  explicit RecordsByProgram(const VerdictList& verdicts) {
    records_.reserve(static_cast<std::size_t>(verdicts.Count()));
    for (const std::unique_ptr<ProgramVerdict>& record : verdicts) {
      if (record->program) records_.emplace_back(record->program.get(), record.get());
    }
    std::ranges::stable_sort(records_, std::less<>(), &Entry::first);
  }

  ProgramVerdict* Find(const Program* program) const {
    const auto found = std::ranges::lower_bound(records_, program, std::less<>(), &Entry::first);
    return found != records_.end() && found->first == program ? found->second : nullptr;
  }

 private:
  using Entry = std::pair<const Program*, ProgramVerdict*>;
  std::vector<Entry> records_;
};

}  // namespace

void VerdictReader::ReadVerdicts(const ProgramRefList& sent, const pugi::xml_document& answer,
                                 VerdictList& verdicts) {
  const std::vector<VerdictAttributes> answered = Verdicts(answer);
  if (answered.empty()) return;
  const std::vector<int> verdicts_per_position = VerdictsPerPosition(answered, sent.Count());
  const SharedVersions shared_versions(answered, verdicts_per_position);
  const RecordsByProgram records(verdicts);

  for (const VerdictAttributes& verdict : answered) {
    const std::int32_t position = AnswerInteger(verdict.Required(verdict.id, "ID"));
    // With no records there is nothing to look the program up for.
    if (verdicts.Count() == 0) throw Error(LoadResString(ResString::VerdictWithoutEntry));
    ProgramVerdict* found = records.Find(&sent.Items(position));
    if (found == nullptr) throw Error(LoadResString(ResString::VerdictWithoutEntry));
    ProgramVerdict& record = *found;

    record.versions.Clear();
    if (verdict.Required(verdict.status, "Status") != kSupported) {
      // An unsupported program keeps what an earlier answer said of its current version.
      record.status = ProgramStatus::Unsupported;
      continue;
    }
    record.status = ProgramStatus::Current;
    record.current_version = std::make_unique<OfferedVersion>();
    record.hash = verdict.Required(verdict.hash, "Hash");
    record.current_version->int_version =
        AnswerInteger(verdict.Required(verdict.current_version_id, "CurrentVersionId"));
    record.vendor = verdict.Required(verdict.str_hersteller, "str_hersteller");
    record.homepage = verdict.Required(verdict.str_homepage, "str_homepage");

    auto read_version = [&record](pugi::xml_node node) {
      auto version = std::make_unique<OfferedVersion>();
      ReadProperties(node, *version);
      record.versions.Add(std::move(version));
    };
    if (verdicts_per_position[static_cast<std::size_t>(position)] == 1) {
      ForEachOwnVersion(verdict.element, read_version);
    } else {
      shared_versions.ForEach(position, read_version);
    }
    if (record.versions.Count() > 0) record.status = ProgramStatus::NewVersion;
  }
}

}  // namespace lintrove
