#include "settings/ProfileSettings.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <type_traits>
#include <utility>

#include "settings/IniFile.h"

namespace {

// The keys of the program as a whole; the modules add theirs.
const std::vector<ProfileSettings::SettingKey>& GeneralKeys() {
    using S = ProfileSettings;
    static const std::vector<S::SettingKey> keys = {
        {"Allgemein", "IniAllgemeinLanguage", &S::IniAllgemeinLanguage},
        {"Allgemein", "IniAllgemeinGrundschulprofil", &S::IniAllgemeinGrundschulprofil},
        {"Allgemein", "IniAllgemeinStatusbar", &S::IniAllgemeinStatusbar},
        {"Allgemein", "IniAllgemeinToolbarNormal", &S::IniAllgemeinToolbarNormal},
        {"Allgemein", "IniAllgemeinToolbarSchule", &S::IniAllgemeinToolbarSchule},
        {"Allgemein", "IniAllgemeinMenu", &S::IniAllgemeinMenu},
        {"Dokument", "IniDokumentNumFFTPoints", &S::IniDokumentNumFFTPoints, S::kMinFftPoints,
         S::kMaxFftPoints},
        {"Dokument", "IniDokumentPlayFile", &S::IniDokumentPlayFile},
    };
    return keys;
}

struct OwnedTable {
    int owner;
    SettingTable table;
};

std::vector<OwnedTable>& ModuleTables() {
    static std::vector<OwnedTable> tables;
    return tables;
}

std::vector<ProfileSettings::SettingKey>& Table() {
    static std::vector<ProfileSettings::SettingKey> table = GeneralKeys();
    return table;
}

bool SameTable(const SettingTable& a, const SettingTable& b) {
    const auto same = [](const SettingDescriptor& x, const SettingDescriptor& y) {
        const auto text = [](const char* t) { return QByteArray(t ? t : ""); };
        return text(x.section) == text(y.section) && text(x.key) == text(y.key) && x.member == y.member &&
               x.minimum == y.minimum && x.maximum == y.maximum &&
               text(x.defaultText) == text(y.defaultText) && x.control == y.control;
    };
    return a.place == b.place && std::equal(a.keys.begin(), a.keys.end(), b.keys.begin(), b.keys.end(), same);
}

void RebuildTable() {
    std::vector<const OwnedTable*> tables;
    for (const OwnedTable& t : ModuleTables()) tables.push_back(&t);
    std::stable_sort(tables.begin(), tables.end(), [](const OwnedTable* a, const OwnedTable* b) {
        return a->table.place < b->table.place;
    });
    std::vector<ProfileSettings::SettingKey> table = GeneralKeys();
    for (const OwnedTable* t : tables) table.insert(table.end(), t->table.keys.begin(), t->table.keys.end());
    Table() = std::move(table);
}

// The slots beyond the fixed ones, by number.
std::map<int, QString>& AddedSlots() {
    static std::map<int, QString> added;
    return added;
}

}  // namespace

const std::vector<ProfileSettings::SettingKey>& ProfileSettings::KeyTable() {
    return Table();
}

void ProfileSettings::AddKeys(int owner, std::vector<SettingTable> tables) {
    // The same tables again (the modules register at every start) keep the table as it is, so
    // that the rows found before stay valid.
    std::vector<const SettingTable*> current;
    for (const OwnedTable& t : ModuleTables())
        if (t.owner == owner) current.push_back(&t.table);
    if (std::equal(current.begin(), current.end(), tables.begin(), tables.end(),
                   [](const SettingTable* a, const SettingTable& b) { return SameTable(*a, b); }))
        return;
    std::erase_if(ModuleTables(), [owner](const OwnedTable& t) { return t.owner == owner; });
    for (SettingTable& t : tables) ModuleTables().push_back({owner, std::move(t)});
    RebuildTable();
}

void ProfileSettings::RemoveKeys(int owner) {
    std::erase_if(ModuleTables(), [owner](const OwnedTable& t) { return t.owner == owner; });
    RebuildTable();
}

const ProfileSettings::SettingKey* ProfileSettings::FindKey(const QString& key) {
    for (const SettingKey& k : KeyTable())
        if (key.compare(QLatin1String(k.key), Qt::CaseInsensitive) == 0) return &k;
    return nullptr;
}

ProfileSettings::StoredValue& ProfileSettings::Stored(const SettingKey& key) const {
    const QString name = QLatin1String(key.key);
    auto it = m_stored.find(name);
    if (it != m_stored.end()) return it->second;
    const QString text = key.defaultText ? QString::fromUtf8(key.defaultText) : QString();
    StoredValue value;
    switch (std::get<StoredSetting>(key.member).type) {
        case StoredType::Int:
            value = IniFile::ParseInt(text);
            break;
        case StoredType::Real:
            value = IniFile::ParseReal(text);
            break;
        case StoredType::Text:
            value = text;
            break;
    }
    return m_stored.emplace(name, std::move(value)).first->second;
}

double ProfileSettings::Value(const SettingKey& key) const {
    double result = 0.0;
    VisitValue(key, [&result](const auto& value) {
        if constexpr (!std::is_same_v<std::decay_t<decltype(value)>, QString>)
            result = static_cast<double>(value);
    });
    return result;
}

void ProfileSettings::SetValue(const SettingKey& key, double number) {
    VisitValue(key, [number](auto& value) {
        using T = std::decay_t<decltype(value)>;
        if constexpr (!std::is_same_v<T, QString>) value = static_cast<T>(number);
    });
}

QString ProfileSettings::SettingText(const SettingKey& key) const {
    QString text;
    VisitValue(key, [&text](const auto& value) {
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, QString>)
            text = value;
        else if constexpr (std::is_same_v<T, int>)
            text = IniFile::FormatInt(value);
        else
            text = IniFile::FormatReal(value);
    });
    return text;
}

namespace {

// The type of value a key holds, as the value it would hold.
template <class F>
auto VisitType(const ProfileSettings::SettingKey& key, F&& f) {
    return std::visit(
        [&f](auto member) {
            if constexpr (std::is_same_v<decltype(member), StoredSetting>) {
                switch (member.type) {
                    case StoredType::Int:
                        return f(int{});
                    case StoredType::Real:
                        return f(double{});
                    case StoredType::Text:
                        break;
                }
                return f(QString());
            } else {
                return f(std::decay_t<decltype(std::declval<ProfileSettings&>().*member)>{});
            }
        },
        key.member);
}

}  // namespace

bool ProfileSettings::IsFiniteNumberText(const SettingKey& key, const QString& text) {
    return VisitType(key, [&text](auto typed) {
        using T = decltype(typed);
        if constexpr (std::is_same_v<T, QString>) {
            return true;
        } else if constexpr (std::is_same_v<T, int>) {
            // The integer reading would take "inf" or "nan" for a 0 without a word.
            QString word = text.trimmed().toLower();
            if (word.startsWith(u'+') || word.startsWith(u'-')) word.remove(0, 1);
            return !word.startsWith(QLatin1String("inf")) && !word.startsWith(QLatin1String("nan"));
        } else {
            return std::isfinite(static_cast<T>(IniFile::ParseReal(text)));
        }
    });
}

bool ProfileSettings::SetSettingText(const QString& keyName, const QString& text) {
    const SettingKey* key = FindKey(keyName);
    if (!key || !IsFiniteNumberText(*key, text)) return false;
    VisitValue(*key, [&text](auto& value) {
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, QString>)
            value = text.left(IniFile::kMaxValue);
        else if constexpr (std::is_same_v<T, int>)
            value = IniFile::ParseInt(text);
        else
            value = static_cast<T>(IniFile::ParseReal(text));
    });
    IniDokumentNumFFTPoints = CheckedFftPoints(IniDokumentNumFFTPoints);
    PullIntoRange(*key);
    return true;
}

bool ProfileSettings::IsNumberKey(const SettingKey& key) {
    return VisitType(key, [](auto typed) { return !std::is_same_v<decltype(typed), QString>; });
}

std::optional<double> ProfileSettings::NumberFromText(const SettingKey& key, const QString& text) {
    const QString trimmed = text.trimmed();
    return VisitType(key, [&trimmed](auto typed) -> std::optional<double> {
        using T = decltype(typed);
        if constexpr (std::is_same_v<T, QString>) {
            return std::nullopt;
        } else if constexpr (std::is_same_v<T, int>) {
            bool ok = false;
            const qlonglong value = trimmed.toLongLong(&ok);
            if (!ok || value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
                return std::nullopt;
            return static_cast<double>(value);
        } else {
            bool ok = false;
            const double value = trimmed.toDouble(&ok);
            if (!ok || !std::isfinite(value) || !std::isfinite(static_cast<T>(value))) return std::nullopt;
            return value;
        }
    });
}

void ProfileSettings::PullIntoRange(const SettingKey& key) {
    if (!key.HasRange()) return;
    const double fallback = key.defaultText ? IniFile::ParseReal(QString::fromUtf8(key.defaultText)) : 0.0;
    VisitValue(key, [&key, fallback](auto& value) {
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, int>) {
            value = key.Clamped(value);
        } else if constexpr (!std::is_same_v<T, QString>) {
            const double number =
                std::isfinite(static_cast<double>(value)) ? static_cast<double>(value) : fallback;
            value = static_cast<T>(key.Clamped(number));
        }
    });
}

int ProfileSettings::CheckedFftPoints(int points) {
    if (points <= 0 || (points & (points - 1)) != 0) return 8192;
    // Only the sizes the FFT settings offer: a profile cannot ask for gigabytes.
    return std::clamp(points, kMinFftPoints, kMaxFftPoints);
}

int ProfileSettings::AddPlacementSlot(const QString& section) {
    for (const auto& [slot, name] : AddedSlots())
        if (name.compare(section, Qt::CaseInsensitive) == 0) return slot;
    const int slot = PlacementSlotCount();
    AddedSlots().emplace(slot, section);
    return slot;
}

void ProfileSettings::RemovePlacementSlot(int slot) {
    AddedSlots().erase(slot);
}

int ProfileSettings::PlacementSlotCount() {
    return AddedSlots().empty() ? int(kSlotCount) : AddedSlots().rbegin()->first + 1;
}

QString ProfileSettings::PlacementSection(int slot) {
    static const char* const sections[kSlotCount] = {
        "MainWindow",  "UebersichtWindow", "FFTWindow",       "AnalyseWindow", "RekonstruktionsWindow",
        "FFT3DWindow", "NotenbildWindow",  "SonogrammWindow", "WaveletWindow", "ZeitreiheWindow"};
    if (slot >= 0 && slot < kSlotCount) return QLatin1String(sections[slot]);
    const auto it = AddedSlots().find(slot);
    return it != AddedSlots().end() ? it->second : QString();
}

WindowPlacement ProfileSettings::GetWindowSlot(int slot) const {
    if (slot < 1 || PlacementSection(slot).isEmpty()) slot = kSlotMain;
    return static_cast<std::size_t>(slot) < m_placements.size() ? m_placements[static_cast<std::size_t>(slot)]
                                                                : WindowPlacement::Default();
}

void ProfileSettings::SetWindowSlot(const WindowPlacement& placement, int slot) {
    if (slot < 0 || PlacementSection(slot).isEmpty()) return;
    if (static_cast<std::size_t>(slot) >= m_placements.size())
        m_placements.resize(static_cast<std::size_t>(slot) + 1);
    WindowPlacement& stored = m_placements[static_cast<std::size_t>(slot)];
    stored = placement;
    stored.length = WindowPlacement::kRecordSize;
}

void ProfileSettings::ConvertPlacement(bool toRelative, WindowPlacement& wp,
                                       const FrameMetrics& frame) const {
    const int w = frame.clientWidth;
    int h = frame.clientHeight;
    if (IniAllgemeinStatusbar) h -= frame.statusBarHeight;
    if (IniAllgemeinToolbarSchule) h -= frame.kidsToolBarHeight;
    if (IniAllgemeinToolbarNormal) h -= frame.toolBarHeight;
    if (w <= 0 || h <= 0) return;  // no client area to measure against: leave the placement as it is
    if (toRelative) {
        const auto rel = [](int v, int size) {
            return static_cast<int>(std::ceil(static_cast<float>(v) * 10000.0f / static_cast<float>(size)));
        };
        wp.left = rel(wp.left, w);
        wp.top = rel(wp.top, h);
        wp.right = rel(wp.right, w);
        wp.bottom = rel(wp.bottom, h);
    } else {
        const auto px = [](int v, int size) {
            const int p =
                static_cast<int>(std::ceil(static_cast<double>(static_cast<long long>(v) * size) / 10000.0));
            return p - p % 2;  // even, toward zero
        };
        wp.left = px(wp.left, w);
        wp.top = px(wp.top, h);
        wp.right = px(wp.right, w);
        wp.bottom = px(wp.bottom, h);
    }
}
