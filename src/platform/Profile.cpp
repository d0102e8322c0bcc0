#include "platform/Profile.h"

#include "platform/UserDefaults.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtDebug>

#include <lcms2.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <vector>

namespace scrivane {

namespace {

std::atomic<int> g_errors{0};

void logError(cmsContext, cmsUInt32Number code, const char *text)
{
    ++g_errors;
    qWarning("lcms2 error %u: %s", unsigned(code), text ? text : "");
}

// A profile file is small; anything much larger is not read.
constexpr qint64 maximumProfileBytes = 64 * 1024 * 1024;

// The ICC bytes of an opened profile; empty when lcms2 cannot write it.
QByteArray savedBytes(cmsHPROFILE profile)
{
    QByteArray bytes;
    cmsUInt32Number size = 0;
    if (profile && cmsSaveProfileToMem(profile, nullptr, &size) && size > 0 && size <= maximumProfileBytes) {
        bytes.resize(qsizetype(size));
        if (!cmsSaveProfileToMem(profile, bytes.data(), &size))
            bytes.clear();
    }
    return bytes;
}

// The linear RGB profile: the colorants and white point of the program's
// data, one tone curve of gamma 1.0.
QByteArray makeLinearRGB()
{
    const auto xyY = [](double X, double Y, double Z) {
        const double sum = X + Y + Z;
        return cmsCIExyY{X / sum, Y / sum, Y};
    };
    const cmsCIExyY white = xyY(0.9505, 1.0, 1.0891);
    const cmsCIExyYTRIPLE primaries{xyY(0.4543, 0.2426, 0.0148), xyY(0.3533, 0.6744, 0.0904),
                                    xyY(0.1566, 0.0834, 0.7195)};
    cmsToneCurve *linear = cmsBuildGamma(nullptr, 1.0);
    if (!linear)
        return {};
    cmsToneCurve *curves[3] = {linear, linear, linear};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(linear);
    if (!profile)
        return {};
    cmsSetProfileVersion(profile, 2.2);
    if (cmsMLU *description = cmsMLUalloc(nullptr, 1)) {
        cmsMLUsetASCII(description, "en", "US", "Linear RGB Profile");
        cmsWriteTag(profile, cmsSigProfileDescriptionTag, description);
        cmsMLUfree(description);
    }
    QByteArray bytes = savedBytes(profile);
    cmsCloseProfile(profile);
    return bytes;
}

cmsHPROFILE openFile(const QString &path)
{
    // Read by us, so that no path is too long and a special file is never
    // opened by lcms2.
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > maximumProfileBytes || info.size() < 128)
        return nullptr;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    const QByteArray bytes = file.read(maximumProfileBytes);
    return cmsOpenProfileFromMem(bytes.constData(), cmsUInt32Number(bytes.size()));
}

QString descriptionOf(cmsHPROFILE profile)
{
    if (!profile)
        return {};
    const cmsUInt32Number needed = cmsGetProfileInfo(profile, cmsInfoDescription, "en", "US", nullptr, 0);
    if (needed == 0 || needed > 1 << 20)
        return {};
    std::vector<wchar_t> text(needed / sizeof(wchar_t) + 1, 0);
    cmsGetProfileInfo(profile, cmsInfoDescription, "en", "US", text.data(), needed);
    return QString::fromWCharArray(text.data()).trimmed();
}

} // namespace

QString Profile::cutName(const QString &name)
{
    if (name.size() <= maximumNameLength)
        return name;
    int end = maximumNameLength;
    if (name.at(end - 1).isHighSurrogate())
        --end;
    return name.left(end);
}

Profile::Profile()
{
    installErrorHandler();
}

Profile::~Profile()
{
    if (m_proof)
        cmsDeleteTransform(static_cast<cmsHTRANSFORM>(m_proof));
    if (m_ref)
        cmsCloseProfile(static_cast<cmsHPROFILE>(m_ref));
}

void Profile::installErrorHandler()
{
    static const bool installed = [] {
        cmsSetLogErrorHandler(logError);
        return true;
    }();
    (void)installed;
}

int Profile::errorCount()
{
    return g_errors.load();
}

QStringList Profile::profileFolders()
{
    QStringList folders;
    for (const QString &data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        folders.append(QDir(data).filePath(QStringLiteral("color/icc")));
    folders.append(QDir::home().filePath(QStringLiteral(".color/icc")));
    folders.removeDuplicates();
    return folders;
}

std::vector<ProfilePtr> Profile::arrayOfAllProfiles(const QStringList &folders)
{
    installErrorHandler();
    std::vector<ProfilePtr> profiles;
    for (const QString &folder : folders) {
        QStringList paths;
        QDirIterator it(folder, {QStringLiteral("*.icc"), QStringLiteral("*.icm"), QStringLiteral("*.ICC"),
                                 QStringLiteral("*.ICM")},
                        QDir::Files | QDir::Readable, QDirIterator::Subdirectories);
        while (it.hasNext())
            paths.append(it.next());
        paths.sort();
        for (const QString &path : paths)
            if (ProfilePtr profile = profileWithIterateData(path))
                profiles.push_back(std::move(profile));
    }
    return profiles;
}

std::vector<ProfilePtr> Profile::arrayOfAllProfilesWithSpace(uint32_t space, const QStringList &folders)
{
    std::vector<ProfilePtr> result;
    for (ProfilePtr &profile : arrayOfAllProfiles(folders))
        if (profile->spaceType() == space && !profile->description().isEmpty() &&
            (profile->classType() == displayClass || profile->classType() == outputClass))
            result.push_back(std::move(profile));
    return result;
}

ProfilePtr Profile::profileDefaultRGB()
{
    return profileWithPath(UserDefaults::standard().string(QStringLiteral("DefaultRGBProfile")));
}

ProfilePtr Profile::profileDefaultGray()
{
    return profileWithPath(UserDefaults::standard().string(QStringLiteral("DefaultGrayProfile")));
}

ProfilePtr Profile::profileDefaultCMYK()
{
    return profileWithPath(UserDefaults::standard().string(QStringLiteral("DefaultCMYKProfile")));
}

ProfilePtr Profile::fromOpened(void *handle, LocationType type, QString path, QByteArray data)
{
    if (!handle)
        return nullptr;
    auto profile = std::make_shared<Profile>();
    profile->m_locationType = type;
    profile->m_path = std::move(path);
    profile->m_data = std::move(data);
    profile->m_ref = handle;
    profile->readHeader();
    return profile;
}

ProfilePtr Profile::profileWithGenericRGB()
{
    installErrorHandler();
    ProfilePtr profile = fromOpened(cmsCreate_sRGBProfile(), LocationType::BuiltIn, {}, {});
    if (profile)
        profile->m_name = QStringLiteral("Generic RGB Profile");
    return profile;
}

QByteArray Profile::linearRGBData()
{
    installErrorHandler();
    static const QByteArray data = makeLinearRGB();
    return data;
}

ProfilePtr Profile::profileWithLinearRGB()
{
    return profileWithData(linearRGBData());
}

ProfilePtr Profile::profileWithData(const QByteArray &data)
{
    installErrorHandler();
    if (data.isEmpty() || data.size() > maximumProfileBytes)
        return nullptr;
    // lcms2 reads tags lazily from the memory it was given: the profile
    // keeps the bytes.
    QByteArray kept = data;
    kept.detach();
    cmsHPROFILE handle = cmsOpenProfileFromMem(kept.constData(), cmsUInt32Number(kept.size()));
    return fromOpened(handle, LocationType::Buffer, {}, std::move(kept));
}

ProfilePtr Profile::profileWithIterateData(const QString &path)
{
    ProfilePtr profile = profileWithPath(path);
    if (!profile || profile->m_locationType != LocationType::Path)
        return nullptr;
    profile->m_name = cutName(descriptionOf(static_cast<cmsHPROFILE>(profile->m_ref)));
    return profile;
}

ProfilePtr Profile::profileWithPath(const QString &path)
{
    installErrorHandler();
    if (path.isEmpty())
        return std::make_shared<Profile>();
    return fromOpened(openFile(path), LocationType::Path, path, {});
}

void Profile::readHeader()
{
    auto *handle = static_cast<cmsHPROFILE>(m_ref);
    if (!handle)
        return;
    m_class = uint32_t(cmsGetDeviceClass(handle));
    m_space = uint32_t(cmsGetColorSpace(handle));
}

void *Profile::ref() const
{
    return m_ref;
}

QString Profile::description() const
{
    if (!m_name)
        m_name = cutName(descriptionOf(static_cast<cmsHPROFILE>(m_ref)));
    return *m_name;
}

QByteArray Profile::iccData() const
{
    if (m_locationType == LocationType::Buffer)
        return m_data;
    return savedBytes(static_cast<cmsHPROFILE>(m_ref));
}

QColorSpace Profile::colorSpace() const
{
    return QColorSpace::fromIccProfile(iccData());
}

bool Profile::isEqual(const Profile &other) const
{
    if (this == &other)
        return true;
    const QString mine = path();
    return !mine.isEmpty() && mine == other.path();
}

void *Profile::proofTransform() const
{
    if (m_proofTried)
        return m_proof;
    m_proofTried = true;
    if (!m_ref || (m_space != rgbSpace && m_space != graySpace && m_space != cmykSpace))
        return nullptr;
    cmsHPROFILE screen = cmsCreate_sRGBProfile();
    if (!screen)
        return nullptr;
    // The screen's pixels through the device's gamut and back, as the
    // device would print them: relative colorimetric, paper white stays
    // white.  A coarse table is plenty for a preview and is made several
    // times faster.  The pixels are changed in place, so their alpha stays
    // where it is without a pass that copies it.
    m_proof = cmsCreateProofingTransform(screen, TYPE_BGRA_8, screen, TYPE_BGRA_8, static_cast<cmsHPROFILE>(m_ref),
                                         INTENT_RELATIVE_COLORIMETRIC, INTENT_RELATIVE_COLORIMETRIC,
                                         cmsFLAGS_SOFTPROOFING | cmsFLAGS_LOWRESPRECALC);
    cmsCloseProfile(screen);
    return m_proof;
}

bool Profile::canProof() const
{
    return proofTransform() != nullptr;
}

bool Profile::softProof(QImage &image, const QRect &area) const
{
    auto *transform = static_cast<cmsHTRANSFORM>(proofTransform());
    if (!transform)
        return false;
    if (image.format() != QImage::Format_ARGB32_Premultiplied && image.format() != QImage::Format_ARGB32 &&
        image.format() != QImage::Format_RGB32)
        return false;
    const QRect r = area.intersected(image.rect());
    if (r.isEmpty())
        return true;
    // A drawing is mostly runs of one colour (fills, paper), and the same
    // few colours come back row after row: each run of a row is looked up
    // in a small table of colours already proofed, and only the colours
    // not found go through the transform, together, once per row.
    // Little-endian ARGB32 lies in memory as blue, green, red, alpha, the
    // transform's layout; the alpha byte is left as it was.
    constexpr int tableBits = 12;
    std::vector<quint32> keys(size_t(1) << tableBits);
    std::vector<quint32> values(keys.size());
    std::vector<unsigned char> known(keys.size(), 0);
    const auto slot = [](quint32 colour) { return size_t((colour * 2654435761u) >> (32 - tableBits)); };

    const size_t width = size_t(r.width());
    std::vector<int> starts(width + 1);
    std::vector<quint32> colours(width);
    std::vector<quint32> missing(width);
    std::vector<int> missingRun(width);
    for (int y = r.top(); y <= r.bottom(); ++y) {
        quint32 *line = reinterpret_cast<quint32 *>(image.scanLine(y)) + r.x();
        size_t runs = 0;
        for (size_t x = 0; x < width; ++x)
            if (x == 0 || line[x] != line[x - 1]) {
                starts[runs] = int(x);
                colours[runs++] = line[x];
            }
        starts[runs] = int(width);
        size_t misses = 0;
        for (size_t k = 0; k < runs; ++k) {
            const size_t i = slot(colours[k]);
            if (known[i] && keys[i] == colours[k]) {
                colours[k] = values[i];
            } else {
                missing[misses] = colours[k];
                missingRun[misses++] = int(k);
            }
        }
        if (misses) {
            cmsDoTransform(transform, missing.data(), missing.data(), cmsUInt32Number(misses));
            for (size_t m = 0; m < misses; ++m) {
                const size_t k = size_t(missingRun[m]);
                const size_t i = slot(colours[k]);
                keys[i] = colours[k];
                values[i] = missing[m];
                known[i] = 1;
                colours[k] = missing[m];
            }
        }
        for (size_t k = 0; k < runs; ++k)
            std::fill(line + starts[k], line + starts[k + 1], colours[k]);
    }
    return true;
}

QByteArray Profile::dataForSoftproofTextureWithGridSize(unsigned n) const
{
    if (n < 2 || n > maximumGridSize || !m_ref)
        return {};
    const ProfilePtr linear = profileWithLinearRGB();
    if (!linear)
        return {};
    const size_t entries = size_t(n) * n * n;
    QByteArray data(qsizetype(entries * 4 * sizeof(float)), '\0');
    auto *out = reinterpret_cast<float *>(data.data());
    cmsHTRANSFORM round =
        cmsCreateProofingTransform(static_cast<cmsHPROFILE>(linear->m_ref), TYPE_RGB_FLT,
                                   static_cast<cmsHPROFILE>(linear->m_ref), TYPE_RGB_FLT,
                                   static_cast<cmsHPROFILE>(m_ref), INTENT_PERCEPTUAL, INTENT_RELATIVE_COLORIMETRIC,
                                   cmsFLAGS_SOFTPROOFING | cmsFLAGS_HIGHRESPRECALC);
    if (!round)
        return data;
    std::vector<float> line(size_t(n) * 3);
    for (unsigned b = 0; b < n; ++b)
        for (unsigned g = 0; g < n; ++g) {
            for (unsigned r = 0; r < n; ++r) {
                line[r * 3] = float(r) / float(n - 1);
                line[r * 3 + 1] = float(g) / float(n - 1);
                line[r * 3 + 2] = float(b) / float(n - 1);
            }
            cmsDoTransform(round, line.data(), line.data(), n);
            float *row = out + (size_t(b) * n * n + size_t(g) * n) * 4;
            for (unsigned r = 0; r < n; ++r) {
                for (unsigned c = 0; c < 3; ++c)
                    row[r * 4 + c] = std::clamp(line[r * 3 + c], 0.0f, 1.0f);
                row[r * 4 + 3] = 1.0f;
            }
        }
    cmsDeleteTransform(round);
    return data;
}

} // namespace scrivane
