#include "telescope/GuideLog.h"
#include "core/Clock.h"
#include "core/Messages.h"
#include "core/SteadyClock.h"

#include <QDir>
#include <QFile>
#include <QIODevice>

#include <algorithm>
#include <array>
#include <cmath>
#include <cerrno>
#include <cstring>

namespace velumbra {
namespace {

const char* directionText(MoveDirection d)
{
    static constexpr const char* kNames[] = {"Est", "Ouest", "Nord", "Sud"};
    return kNames[int(d) & 3];
}

const char* yesNo(bool b) { return b ? "oui" : "non"; }

QString interfaceText(MountInterface m)
{
    switch (m) {
    case MountInterface::LX200: return QStringLiteral("LX200");
    case MountInterface::Tolvir: return QStringLiteral("Tolvir (boitier serie)");
    case MountInterface::Varnek: return QStringLiteral("Varnek (port parallele)");
    case MountInterface::Dremla: return QStringLiteral("Dremla (lignes du port serie)");
    case MountInterface::Indi: return QStringLiteral("INDI");
    case MountInterface::Aucun:
    case MountInterface::NoneChecked: break;
    }
    return QStringLiteral("aucune");
}

QString number(double v) { return QString::number(v, 'g', 6); }

} // namespace

const char kGuideLogColumns[] =
    "heure\tsecondes\tdx_px\tdy_px\ttheta_deg\tAD_dir\tAD_px\tAD_ms\tDec_dir\tDec_px\tDec_ms\teclat";

QString guideLogFileName(const QDateTime& start)
{
    return QStringLiteral("Guidage_%1.txt").arg(start.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")));
}

QStringList guideLogHeader(const GuideLogSetup& setup, const QDateTime& start)
{
    const MountSettings& m = setup.mount;
    const GuideSettings& g = setup.guide;
    QString inertia = QStringLiteral("aucune");
    if (m.RDB_Temps_Inertie) inertia = number(m.TNI_Tps_Inertie) + QStringLiteral(" ms");
    else if (m.RDB_Pourcent_Inertie) inertia = QString::number(m.SPED_Pourcent_Inertie) + QStringLiteral(" %");
    return {
        QStringLiteral("# Velumbra - journal d'autoguidage"),
        QStringLiteral("# Debut : %1").arg(start.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))),
        QStringLiteral("# Interface : %1").arg(interfaceText(m.interface)),
        QStringLiteral("# Vitesses calibrees (Sec.Arc/seconde) : Est %1 ; Ouest %2 ; Nord %3 ; Sud %4")
            .arg(number(m.TNI_Vitesse_Est), number(m.TNI_Vitesse_Ouest), number(m.TNI_Vitesse_Nord),
                 number(m.TNI_Vitesse_Sud)),
        QStringLiteral("# Echantillonnage : %1 Sec.Arc/pixel ; orientation : %2 degres")
            .arg(number(g.TNI_Echantillonnage), number(g.TNI_Orient)),
        QStringLiteral("# Zone neutre : %1 pixels ; intervalle de guidage : %2 images ; 2 axes separes : %3 (delai %4 ms)")
            .arg(g.SPED_Neutre)
            .arg(setup.SPED_Intervalle_Guidage)
            .arg(QLatin1String(yesNo(g.CKB_Separes)))
            .arg(g.SPED_Delai_Separes),
        QStringLiteral("# Corrections permises : +A.D. %1 ; -A.D. %2 ; +Dec %3 ; -Dec %4")
            .arg(QLatin1String(yesNo(g.CKB_Correct_Ouest)), QLatin1String(yesNo(g.CKB_Correct_Est)),
                 QLatin1String(yesNo(g.CKB_Correct_Nord)), QLatin1String(yesNo(g.CKB_Correct_Sud))),
        QStringLiteral("# Inertie : %1 ; inverser en A/D : %2 ; inverser en Dec : %3")
            .arg(inertia, QLatin1String(yesNo(m.CKB_InverseAD)), QLatin1String(yesNo(m.CKB_InverseDEC))),
        QStringLiteral("# Une ligne par correction : decalage de l'etoile (pixels), angle theta sur le ciel, "
                       "par axe la direction, l'erreur en pixels et l'impulsion envoyee (ms, 0 : aucune), "
                       "eclat de l'etoile au-dessus du fond"),
        QString::fromLatin1(kGuideLogColumns),
    };
}

GuideLogRun readGuideLog(QIODevice& device)
{
    GuideLogRun run;
    static const QByteArray kSampling = "# Echantillonnage : ";
    while (!device.atEnd()) {
        const QByteArray line = device.readLine(4096).trimmed();
        if (line.startsWith(kSampling)) {
            bool ok = false;
            const double v = line.mid(kSampling.size()).split(' ').value(0).toDouble(&ok);
            if (ok && v > 0) run.sampling = v;
            continue;
        }
        if (line.isEmpty() || line.startsWith('#')) continue;
        const QList<QByteArray> f = line.split('\t');
        if (f.size() != 12) continue;
        bool ok[4] = {};
        GuideLogPoint p;
        p.seconds = f[1].toDouble(&ok[0]);
        p.dx = f[2].toInt(&ok[1]);
        p.dy = f[3].toInt(&ok[2]);
        p.theta = f[4].toDouble(&ok[3]);
        if (!(ok[0] && ok[1] && ok[2] && ok[3])) continue;
        const double d = std::hypot(double(p.dx), double(p.dy)) * run.sampling;
        p.raArcsec = d * std::cos(p.theta * M_PI / 180);
        p.decArcsec = d * std::sin(p.theta * M_PI / 180);
        run.points.push_back(p);
    }
    return run;
}

GuideLog::GuideLog(MessageSink& messages, const Clock& clock, const SteadyClock& steady)
    : messages_(messages), clock_(clock), steady_(steady)
{
}

GuideLog::~GuideLog() { close(); }

bool GuideLog::open(const QString& folder, const GuideLogSetup& setup)
{
    close();
    const QDateTime start = clock_.now();
    const QDir dir(folder.isEmpty() ? QDir::currentPath() : folder);
    const QString name = guideLogFileName(start);
    // A new file each run: "x" refuses a name already taken, by a log or
    // by anything else, and the next number is tried.
    int error = 0;
    for (int n = 1; n <= 99 && !file_; ++n) {
        QString candidate = name;
        if (n > 1) candidate.insert(candidate.size() - 4, QStringLiteral("_%1").arg(n));
        path_ = dir.filePath(candidate);
        file_ = std::fopen(QFile::encodeName(path_).constData(), "wx");
        error = errno;
        if (!file_ && error != EEXIST) break;
    }
    if (!file_) {
        messages_.showMessage(false, QStringLiteral("Journal de guidage : impossible de créer %1 (%2) ; le "
                                                    "guidage continue sans journal.")
                                         .arg(QDir::toNativeSeparators(path_), QString::fromLocal8Bit(std::strerror(error))));
        path_.clear();
        return false;
    }
    startMs_ = steady_.nowMs();
    for (const QString& line : guideLogHeader(setup, start)) {
        const QByteArray bytes = line.toUtf8() + '\n';
        if (!writeLine(bytes.constData(), int(bytes.size()))) return false;
    }
    return true;
}

void GuideLog::close()
{
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

int GuideLog::timeOfDayText(char* into, int size) const
{
    const int ms = clock_.msecsOfDay();
    return std::snprintf(into, size_t(size), "%02d:%02d:%02d.%03d", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60,
                         ms % 1000);
}

void GuideLog::correction(const Correction& c, int raPulseMs, int decPulseMs, int brightness)
{
    if (!file_) return;
    std::array<char, 256> line{};
    int n = timeOfDayText(line.data(), int(line.size()));
    // Decimals written out by hand: the C library would follow the user's
    // locale and put a comma in one file and a point in another.
    const qint64 elapsed = std::max<qint64>(0, steady_.nowMs() - startMs_);
    const double t = std::isfinite(c.theta) ? c.theta : 0.0;
    const int centiDegrees = int(std::lround(std::clamp(t, 0.0, 360.0) * 100));
    const char* raDir = c.ra.handled ? directionText(c.ra.direction) : "-";
    const char* decDir = c.dec.handled ? directionText(c.dec.direction) : "-";
    n += std::snprintf(line.data() + n, line.size() - size_t(n),
                       "\t%lld.%03d\t%d\t%d\t%d.%02d\t%s\t%d\t%d\t%s\t%d\t%d\t%d\n", (long long)(elapsed / 1000),
                       int(elapsed % 1000), c.dx, c.dy, centiDegrees / 100, centiDegrees % 100, raDir,
                       c.ra.handled ? c.pxRA : 0, raPulseMs, decDir, c.dec.handled ? c.pxDec : 0, decPulseMs,
                       brightness);
    writeLine(line.data(), std::min(n, int(line.size()) - 1));
}

void GuideLog::note(const char* text)
{
    if (!file_) return;
    std::array<char, 256> line{};
    int n = std::snprintf(line.data(), line.size(), "# ");
    n += timeOfDayText(line.data() + n, int(line.size()) - n);
    n += std::snprintf(line.data() + n, line.size() - size_t(n), " %s\n", text);
    writeLine(line.data(), std::min(n, int(line.size()) - 1));
}

bool GuideLog::writeLine(const char* text, int length)
{
    if (std::fwrite(text, 1, size_t(length), file_) == size_t(length) && std::fflush(file_) == 0) return true;
    const int error = errno;
    std::fclose(file_);
    file_ = nullptr;
    messages_.showMessage(false, QStringLiteral("Journal de guidage : écriture impossible dans %1 (%2) ; le guidage "
                                                "continue sans journal.")
                                     .arg(QDir::toNativeSeparators(path_), QString::fromLocal8Bit(std::strerror(error))));
    return false;
}

} // namespace velumbra
