#include "settings/ProfileStore.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <type_traits>
#include <variant>

#include "platform/ProgramFolder.h"
#include "settings/IniFile.h"
#include "settings/ProfileSettings.h"

QString ProfileStore::ProfileFile(ProfileKind kind, const QString& userProfileFile) {
    switch (kind) {
        case ProfileKind::Standard:
            return QStringLiteral("Profile/KalvoStandardProfil.ini");
        case ProfileKind::Musician:
            return QStringLiteral("Profile/KalvoMusikerProfil.ini");
        case ProfileKind::Analyst:
            return QStringLiteral("Profile/KalvoAnalytikerProfil.ini");
        case ProfileKind::Complete:
            return QStringLiteral("Profile/KalvoKomplettProfil.ini");
        case ProfileKind::ForKids:
            return QStringLiteral("Profile/KalvoforKidsProfil.ini");
        case ProfileKind::SecondarySchool:
            return QStringLiteral("Profile/KalvoOberschuleProfil.ini");
        case ProfileKind::LastUsed:
            return QStringLiteral("Profile/KalvoZuletztVerwendetProfil.ini");
        case ProfileKind::User:
            return QStringLiteral("Profile/") + userProfileFile;
    }
    return {};
}

QString ProfileStore::PlacementSection(int slot) {
    const QString section = ProfileSettings::PlacementSection(slot);
    return section.isEmpty() ? ProfileSettings::PlacementSection(std::clamp(slot, 0, kSlotCount - 1))
                             : section;
}

void ProfileStore::Read(const QString& path, ProfileSettings& settings) {
    Serialize(path, settings, true);
}

bool ProfileStore::Write(const QString& path, ProfileSettings& settings) {
    return Serialize(path, settings, false);
}

bool ProfileStore::Serialize(const QString& path, ProfileSettings& settings, bool load) {
    IniFile ini(path, QStringLiteral("Allgemein"), true);
    if (!load) ini.Defer();  // some 200 keys: the file is written once, when ini goes
    // A number that is not finite ("nan", "inf") gives the Standard profile's value instead. Such a
    // value is read as NaN (a missing key gives its default); only then is the Standard profile read.
    std::optional<IniFile> standard;
    const auto standardValue = [&](const QString& name, const QString& section, const QString& def) {
        if (ini.GetString(name, QString(), section).isEmpty()) return IniFile::ParseReal(def);
        if (!standard)
            standard.emplace(ProgramFolder() + ProfileFile(ProfileKind::Standard, QString()),
                             QStringLiteral("Allgemein"), true);
        return standard->GetDouble(name, 0.0, section);
    };
    constexpr double kNotFinite = std::numeric_limits<double>::quiet_NaN();
    for (const ProfileSettings::SettingKey& key : ProfileSettings::KeyTable()) {
        const QString name = QLatin1String(key.key);
        const QString section = QLatin1String(key.section);
        // A missing key gives the descriptor's default.
        const QString def = key.defaultText ? QString::fromUtf8(key.defaultText) : QString();
        settings.VisitValue(key, [&](auto& value) {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, QString>)
                ini.SerString(load, value, name, section, def);
            else if constexpr (std::is_same_v<T, int>)
                ini.SerInt(load, value, name, section, IniFile::ParseInt(def));
            else if constexpr (std::is_same_v<T, float>) {
                ini.SerFloat(load, value, name, section, static_cast<float>(kNotFinite));
                if (load && std::isnan(value)) value = static_cast<float>(standardValue(name, section, def));
            } else {
                ini.SerDouble(load, value, name, section, kNotFinite);
                if (load && std::isnan(value)) value = standardValue(name, section, def);
            }
        });
        if (key.member == ProfileSettings::Member(&ProfileSettings::IniDokumentNumFFTPoints))
            settings.IniDokumentNumFFTPoints =
                ProfileSettings::CheckedFftPoints(settings.IniDokumentNumFFTPoints);
        if (load) settings.PullIntoRange(key);
    }
    const WindowPlacement def = WindowPlacement::Default();
    for (int slot = 0; slot < ProfileSettings::PlacementSlotCount(); ++slot) {
        if (ProfileSettings::PlacementSection(slot).isEmpty()) continue;
        WindowPlacement placement = settings.GetWindowSlot(slot);
        SerializePlacement(ini, load, placement, def, PlacementSection(slot));
        if (load) settings.SetWindowSlot(placement, slot);
    }
    return load || ini.Commit();
}

void ProfileStore::SerializePlacement(IniFile& ini, bool load, WindowPlacement& wp,
                                      const WindowPlacement& def, const QString& section) {
    ini.SetSection(section);
    const QString s = section;
    ini.SerInt(load, wp.showCmd, QStringLiteral("wp->showCmd"), s, def.showCmd);
    ini.SerInt(load, wp.flags, QStringLiteral("wp->flags"), s, def.flags);
    ini.SerInt(load, wp.minX, QStringLiteral("wp->ptMinPosition.x"), s, def.minX);
    ini.SerInt(load, wp.minY, QStringLiteral("wp->ptMinPosition.y"), s, def.minY);
    ini.SerInt(load, wp.maxX, QStringLiteral("wp->ptMaxPosition.x"), s, def.maxX);
    ini.SerInt(load, wp.maxY, QStringLiteral("wp->ptMaxPosition.y"), s, def.maxY);
    ini.SerInt(load, wp.left, QStringLiteral("wp->rcNormalPosition.left"), s, def.left);
    ini.SerInt(load, wp.top, QStringLiteral("wp->rcNormalPosition.top"), s, def.top);
    ini.SerInt(load, wp.right, QStringLiteral("wp->rcNormalPosition.right"), s, def.right);
    ini.SerInt(load, wp.bottom, QStringLiteral("wp->rcNormalPosition.bottom"), s, def.bottom);
}
