#include "app/HelpTopics.h"

#include <QHash>

namespace velumbra {

int helpTopicForArea(const QString& windowName, const QString& areaName)
{
    static const QHash<QString, int> mainAreas = {
        {QStringLiteral("TFRM_Alv"), 16},          {QStringLiteral("Image1"), 16},
        {QStringLiteral("SBX_Images"), 16},        {QStringLiteral("PNL_Videocap"), 16},
        {QStringLiteral("GRB_Seuils"), 6},         {QStringLiteral("PNL_Integration"), 7},
        {QStringLiteral("TBS_Dark"), 8},           {QStringLiteral("PNL_Suivi"), 10},
        {QStringLiteral("PNL_Suivi_Materiel"), 10}, {QStringLiteral("GRB_Zones"), 11},
        {QStringLiteral("GRB_Camera"), 12},        {QStringLiteral("TBS_Mesures"), 17},
        {QStringLiteral("TBS_Flat"), 19},          {QStringLiteral("TBS_Mise_au_point"), 22},
        {QStringLiteral("TBS_Select_Image"), 23},  {QStringLiteral("TBS_Decl"), 27},
        {QStringLiteral("PNL_Reticule"), 3},       {QStringLiteral("PNL_Detection_Mvt"), 34},
        {QStringLiteral("RDB_Colimacon"), 10},     {QStringLiteral("RDB_Somax"), 10},
        {QStringLiteral("RDB_Cadres"), 10},        {QStringLiteral("CKB_Inversion_Video"), 10},
    };
    static const QHash<QString, int> prefPages = {
        {QStringLiteral("TBS_Optique"), 9},      {QStringLiteral("TBS_Monture"), 13},
        {QStringLiteral("TBS_Camera"), 14},      {QStringLiteral("TBS_Debug"), 16},
        {QStringLiteral("TBS_Mire"), 16},        {QStringLiteral("TBS_Repertoires"), 21},
        {QStringLiteral("TBS_MAP"), 24},         {QStringLiteral("TBS_MES"), 25},
        {QStringLiteral("TBS_Selection"), 26},   {QStringLiteral("TBS_Langue"), 28},
        {QStringLiteral("TBS_Poselongue"), 30},  {QStringLiteral("TBS_Telescope"), 31},
        {QStringLiteral("TBS_Autoguidage"), 32},
    };
    static const QHash<QString, int> windows = {
        {QStringLiteral("TFRM_ErrPeriod"), 15}, {QStringLiteral("TFRM_PlayControl"), 33},
        {QStringLiteral("TFRM_Info"), 35},      {QStringLiteral("TFRM_Raquette"), 36},
        {QStringLiteral("TFRM_Longuepose"), 37}, {QStringLiteral("TFRM_Main"), 5},
        {QStringLiteral("TFRM_Alv_Child"), 20},
        // Windows of a part whose page covers them.
        {QStringLiteral("TFRM_Pilote"), 12},     {QStringLiteral("TFRM_VideoFormat"), 12},
        {QStringLiteral("TFRM_VideoSource"), 12}, {QStringLiteral("TFRM_Equal"), 6},
        {QStringLiteral("TFRM_Seuils"), 6},      {QStringLiteral("TFRM_Integration"), 7},
        {QStringLiteral("TFRM_FWHM"), 22},       {QStringLiteral("TFRM_Prg_Action"), 34},
        {QStringLiteral("TFRM_ImgRef"), 34},     {QStringLiteral("TFRM_Prg_Suivi"), 32},
        {QStringLiteral("TFRM_ComTrafic"), 31},  {QStringLiteral("TFRM_Ressources"), 16},
        {QStringLiteral("TAboutBox"), 16},
    };
    if (windowName == QLatin1String("TFRM_Alv")) return mainAreas.value(areaName, 0);
    if (windowName == QLatin1String("TFRM_Pref")) return prefPages.value(areaName, 0);
    if (windowName == QLatin1String("TFRM_Main")) {
        if (areaName == QLatin1String("TBS_Bigourdan")) return 41;
        if (areaName == QLatin1String("TBS_King")) return 42;
        return 5;
    }
    if (windowName == QLatin1String("TFRM_Alv_Child") && areaName == QLatin1String("PGC_Child")) return 20;
    return windows.value(windowName, 0);
}

QString helpFileForTopic(int topic, bool english)
{
    const QString suffix = english ? QStringLiteral("-en.html") : QStringLiteral(".html");
    if (topic <= 0) return QStringLiteral("index") + suffix;
    return QStringLiteral("topic-%1").arg(topic, 2, 10, QLatin1Char('0')) + suffix;
}

bool helpInEnglish(const QString& language)
{
    const QString name = language.trimmed().toCaseFolded();
    if (name.isEmpty()) return false;
    return !(name.startsWith(QStringLiteral("fran")) || name == QLatin1String("french"));
}

} // namespace velumbra
