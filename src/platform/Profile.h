#pragma once

#include <QByteArray>
#include <QColorSpace>
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace scrivane {

class Profile;
using ProfilePtr = std::shared_ptr<Profile>;

// A four-character signature as ICC headers store it.
constexpr uint32_t iccSignature(const char (&s)[5])
{
    return uint32_t(uint8_t(s[0])) << 24 | uint32_t(uint8_t(s[1])) << 16 | uint32_t(uint8_t(s[2])) << 8 |
           uint32_t(uint8_t(s[3]));
}

// One ICC colour profile, through lcms2: where it lives (a file, a block of
// bytes, or one of lcms2's own), its class and colour-space signatures, its
// display name and path, the opened profile and, made from it, the
// transform that shows screen colours as this profile's device would
// reproduce them (the soft proof).
//
// Everything colour-managed in the program goes through lcms2 with the
// error handler of `installErrorHandler`: a corrupt profile is reported on
// the log and refused (a null profile, no transform), never fatal.
class Profile {
public:
    static constexpr uint32_t displayClass = iccSignature("mntr");
    static constexpr uint32_t outputClass = iccSignature("prtr");
    static constexpr uint32_t rgbSpace = iccSignature("RGB ");
    static constexpr uint32_t graySpace = iccSignature("GRAY");
    static constexpr uint32_t cmykSpace = iccSignature("CMYK");
    // Display names are cut to this many characters, never inside one.
    static constexpr int maximumNameLength = 36;
    static QString cutName(const QString &name);
    // The soft-proof lookup table has at most this many points per axis.
    static constexpr unsigned maximumGridSize = 64;

    enum class LocationType { None, Path, Buffer, BuiltIn };

    Profile();
    ~Profile();
    Profile(const Profile &) = delete;
    Profile &operator=(const Profile &) = delete;

    // The lcms2 error handler (installed once; any call below installs it).
    static void installErrorHandler();
    // How many lcms2 errors the handler has seen in this process.
    static int errorCount();

    // The Linux colour folders: "color/icc" under every XDG data folder
    // (user first) and ~/.color/icc.
    static QStringList profileFolders();
    // A profile for every readable profile file in the folders (and their
    // subfolders), in path order within each folder; unreadable files are
    // left out.
    static std::vector<ProfilePtr> arrayOfAllProfiles(const QStringList &folders = profileFolders());
    // Those with the space, a description, and the display or output class.
    static std::vector<ProfilePtr> arrayOfAllProfilesWithSpace(uint32_t space,
                                                               const QStringList &folders = profileFolders());
    // The profiles named in the defaults under "DefaultRGBProfile",
    // "DefaultGrayProfile", "DefaultCMYKProfile": an empty profile (no
    // location, no `ref`) when none is stored, null when the stored one
    // cannot be read.
    static ProfilePtr profileDefaultRGB();
    static ProfilePtr profileDefaultGray();
    static ProfilePtr profileDefaultCMYK();
    // The generic RGB profile (lcms2's sRGB) and the linear RGB profile of
    // the program's data; null when they cannot be made.
    static ProfilePtr profileWithGenericRGB();
    static ProfilePtr profileWithLinearRGB();
    // A profile made from one file found by the folder scan: the header
    // read, the name kept; null when the file is no profile.
    static ProfilePtr profileWithIterateData(const QString &path);
    // Opened from a file: an empty profile for an empty path, null when the
    // file is no readable profile.
    static ProfilePtr profileWithPath(const QString &path);
    // Opened from bytes (kept by the profile); null when they are no
    // readable profile.
    static ProfilePtr profileWithData(const QByteArray &data);

    // The bytes of the linear RGB profile of the program's data.
    static QByteArray linearRGBData();

    // The opened lcms2 profile (cmsHPROFILE), opened on first use; null
    // when there is none.
    void *ref() const;
    LocationType locationType() const { return m_locationType; }
    uint32_t classType() const { return m_class; }
    uint32_t spaceType() const { return m_space; }
    // The display name: the one given, else the profile's description;
    // empty when it has none.
    QString description() const;
    // The file path; empty for a profile that is no file.
    QString path() const { return m_locationType == LocationType::Path ? m_path : QString(); }
    // The profile's ICC bytes (as written in a file or an image); empty
    // when there is no profile.
    QByteArray iccData() const;
    // The profile as Qt's image colour space: invalid for a profile Qt
    // cannot use for its images (anything but a matrix RGB or grey one).
    QColorSpace colorSpace() const;
    // Same file, or for profiles without a file the same object.
    bool isEqual(const Profile &other) const;

    // Whether the soft proof can show this profile's device (a grey, RGB
    // or CMYK profile that lcms2 can build a proofing transform for).
    bool canProof() const;
    // Shows the pixels of `area` (ARGB32, premultiplied or not; opaque
    // pixels assumed) as this device would print them: sRGB to the
    // profile's space and back.  False, leaving them alone, when the
    // profile cannot proof.
    bool softProof(QImage &image, const QRect &area) const;

    // The soft-proof lookup table: n³ entries of four floats (red, green,
    // blue, 1) in [0, 1], red varying fastest, of each grid colour of the
    // linear RGB space taken through this profile's gamut and back.  Empty
    // for n outside 2 to maximumGridSize, or without the linear profile.
    QByteArray dataForSoftproofTextureWithGridSize(unsigned n) const;

private:
    static ProfilePtr fromOpened(void *handle, LocationType type, QString path, QByteArray data);
    void readHeader();
    void *proofTransform() const;

    LocationType m_locationType = LocationType::None;
    QString m_path;
    QByteArray m_data;
    uint32_t m_class = 0;
    uint32_t m_space = 0;
    mutable std::optional<QString> m_name;
    mutable void *m_ref = nullptr;
    mutable void *m_proof = nullptr;
    mutable bool m_proofTried = false;
};

} // namespace scrivane
