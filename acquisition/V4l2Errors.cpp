#include "acquisition/V4l2Errors.h"

#include <cerrno>
#include <cstring>

namespace velumbra {

QString v4l2ErrorReason(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return QStringLiteral("accès refusé, ajoutez votre compte au groupe video puis reconnectez-vous");
    case EBUSY: return QStringLiteral("caméra occupée, un autre programme l'utilise");
    case ENODEV:
    case ENXIO: return QStringLiteral("caméra débranchée");
    case ENOENT: return QStringLiteral("périphérique absent");
    default: return QString::fromLocal8Bit(std::strerror(error));
    }
}

bool v4l2NodeAbsent(int error) { return error == ENOENT; }

} // namespace velumbra
