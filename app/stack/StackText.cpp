#include "app/stack/StackText.h"

#include <QByteArray>
#include <QLocale>
#include <cstring>

namespace velumbra::stack {

Language languageOf(const QString& lcAll, const QString& lcMessages, const QString& lang)
{
    for (const QString* value : {&lcAll, &lcMessages, &lang})
        if (!value->isEmpty()) return value->startsWith(QLatin1String("fr")) ? Language::French : Language::English;
    return Language::English;
}

Language languageFromEnvironment()
{
    return languageOf(qEnvironmentVariable("LC_ALL"), qEnvironmentVariable("LC_MESSAGES"),
                      qEnvironmentVariable("LANG"));
}

QString StackText::operator()(Msg id, const QStringList& args) const
{
    std::size_t count = 0;
    const Entry* table = entries(count);
    QString text;
    for (std::size_t i = 0; i < count; ++i)
        if (table[i].id == id) {
            text = QString::fromUtf8(language_ == Language::French ? table[i].french : table[i].english);
            break;
        }
    // One pass over the placeholders, so that an argument holding "%1" stays as it is.
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('%') && i + 1 < text.size() && text[i + 1].isDigit() && text[i + 1] != QLatin1Char('0')) {
            const int n = text[i + 1].digitValue();
            if (n <= args.size()) {
                out += args[n - 1];
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

QString StackText::decimal(double value, int decimals) const
{
    QString s = QString::number(value, 'f', decimals);
    if (language_ == Language::French) s.replace(QLatin1Char('.'), QLatin1Char(','));
    return s;
}

QString StackText::cause(const char* source) const
{
    if (!source) return QString();
    std::size_t count = 0;
    const Cause* table = causes(count);
    for (std::size_t i = 0; i < count; ++i)
        if (std::strcmp(table[i].french, source) == 0 || std::strcmp(table[i].english, source) == 0)
            return QString::fromUtf8(language_ == Language::French ? table[i].french : table[i].english);
    return QString::fromUtf8(source);
}

QString CauseTranslator::translate(const char*, const char* sourceText, const char*, int) const
{
    const QString cause = text_.cause(sourceText);
    // An empty answer lets Qt keep the source text.
    return cause == QString::fromUtf8(sourceText) ? QString() : cause;
}

const StackText::Cause* StackText::causes(std::size_t& count)
{
    static const Cause table[] = {
        // the BMP reader
        {"ce n'est pas un fichier BMP", "not a BMP file"},
        {"en-tête BMP inconnu (%1 octets)", "unknown BMP header (%1 bytes)"},
        {"fichier tronqué", "truncated file"},
        {"taille d'image nulle ou négative", "zero or negative image size"},
        {"taille %1x%2 supérieure à %3x%4", "size %1x%2 larger than %3x%4"},
        {"image de destination trop petite", "destination image too small"},
        {"masques de couleur vides", "empty colour masks"},
        {"compression %1 non prise en charge", "compression %1 not supported"},
        {"%1 bits par pixel non pris en charge", "%1 bits per pixel not supported"},
        {"palette invalide", "invalid palette"},
        {"lecture impossible", "cannot be read"},
        {"fichier trop grand", "file too large"},
        {"image vide", "empty image"},
        // the SER and FITS readers
        {"en-tête SER tronqué", "truncated SER header"},
        {"ce n'est pas un fichier SER", "not a SER file"},
        {"couleur SER %1 non prise en charge", "SER colour %1 not supported"},
        {"nombre d'images négatif", "negative frame count"},
        {"ce n'est pas un fichier FITS", "not a FITS file"},
        {"en-tête FITS invalide", "invalid FITS header"},
        {"image FITS de %1 axes non prise en charge", "FITS image of %1 axes not supported"},
        {"fichier FITS incomplet", "incomplete FITS file"},
        {"mémoire insuffisante", "out of memory"},
        {"aucun enregistrement en cours", "no recording under way"},
        {"image plus petite que la vidéo", "frame smaller than the video"},
        // the file writers
        {"c'est un dossier", "it is a folder"},
        {"ce n'est ni un fichier ordinaire, ni un périphérique caractère, ni une FIFO",
         "it is neither a regular file, a character device nor a FIFO"},
        {"c'est une FIFO qu'aucun programme ne lit", "it is a FIFO that no program reads"},
        {"ce n'est pas un fichier ordinaire", "not a regular file"},
    };
    count = std::size(table);
    return table;
}

const StackText::Entry* StackText::entries(std::size_t& count)
{
    static const Entry table[] = {
        {Msg::InvalidValue, "invalid value '%1' for %2 (expected %3)", "valeur « %1 » invalide pour %2 (attendu : %3)"},
        {Msg::ExpectFileName, "a file name", "un nom de fichier"},
        {Msg::ExpectMode, "single, loop, dark or flat", "single, loop, dark ou flat"},
        {Msg::ExpectPercent, "a whole percentage 0..100", "un pourcentage entier 0..100"},
        {Msg::ExpectRadius, "a radius 1..9", "un rayon 1..9"},
        {Msg::ExpectBinning, "1 or 2", "1 ou 2"},
        {Msg::ExpectChannels, "letters among r, g, b", "des lettres parmi r, g, b"},
        {Msg::ExpectCenter, "X,Y inside the frame", "X,Y dans l'image"},
        {Msg::ExpectTrack, "brightest, axes or edges", "brightest, axes ou edges"},
        {Msg::ExpectRegister, "stars or planet", "stars ou planet"},
        {Msg::BestNeedsFrames, "--best reads the frames twice: it needs files, a video or --simulate, not --indi",
         "--best lit les images deux fois : il lui faut des fichiers, une vidéo ou --simulate, pas --indi"},
        {Msg::RegisterAndTrack, "--register and --track are two ways of following the sky: give one",
         "--register et --track sont deux façons de suivre le ciel : donnez-en une"},
        {Msg::RegisterAndMasters, "--register cannot be combined with --smart-dark: give --dark alone, it is subtracted from each frame",
         "--register ne se combine pas avec --smart-dark : donnez --dark seul, il est soustrait de chaque image"},
        {Msg::ExpectFrameCount, "a frame count 1..1000000", "un nombre d'images 1..1000000"},
        {Msg::ExpectSize, "WIDTHxHEIGHT up to 800x600", "LARGEURxHAUTEUR jusqu'à 800x600"},
        {Msg::ExpectFolder, "a folder", "un dossier"},
        {Msg::TakesNoValue, "%1 takes no value", "%1 ne prend pas de valeur"},
        {Msg::UnknownOption, "unknown option %1", "option inconnue %1"},
        {Msg::NeedsValue, "%1 needs a value", "%1 demande une valeur"},
        {Msg::NoOutput, "no output file (-o FILE)", "pas de fichier résultat (-o FICHIER)"},
        {Msg::OutputNotBmp, "the result is a BMP image: its name must end in .bmp, not '%1'",
         "le résultat est une image BMP : son nom doit finir par .bmp, pas « %1 »"},
        {Msg::OutputNotFits, "the result is a FITS image: its name must end in .fits, .fit or .fts, not '%1'",
         "le résultat est une image FITS : son nom doit finir par .fits, .fit ou .fts, pas « %1 »"},
        {Msg::ExpectFormat, "bmp or fits", "bmp ou fits"},
        {Msg::ExpectIndiCamera, "CAMERA[@HOST[:PORT]]", "CAMERA[@HOTE[:PORT]]"},
        {Msg::ExpectCorner, "X,Y (binned pixels, 0 or more)", "X,Y (pixels après binning, 0 ou plus)"},
        {Msg::IndiAndFiles, "frame files, --simulate and --indi exclude each other",
         "les fichiers d'images, --simulate et --indi s'excluent"},
        {Msg::IndiNeedsCount, "--indi needs the number of frames (--count N)",
         "--indi demande le nombre d'images (--count N)"},
        {Msg::FilesAndSimulate, "frame files and --simulate exclude each other",
         "les fichiers d'images et --simulate s'excluent"},
        {Msg::NoFrames, "no frames given", "aucune image donnée"},
        {Msg::NeedsDarks, "%1 needs dark frames (--dark FILE)", "%1 demande des images de noir (--dark FICHIER)"},
        {Msg::MinAboveMax, "--min %1 is above --max %2", "--min %1 est au-dessus de --max %2"},
        {Msg::TryHelp, "Try 'velumbra-stack --help'.", "Essayez « velumbra-stack --help »."},
        {Msg::GivenTwice, "warning: %1 given more than once; the last one counts",
         "attention : %1 donné plusieurs fois ; le dernier compte"},
        {Msg::NoEffectWithout, "warning: %1 has no effect without %2", "attention : %1 n'a pas d'effet sans %2"},
        {Msg::EmptyFolder, "the folder %1 holds no .bmp file", "le dossier %1 ne contient aucun fichier .bmp"},
        {Msg::ExpectMotion, "LEVEL,COUNT with LEVEL 0..255 and COUNT 0..10000",
         "NIVEAU,NOMBRE avec NIVEAU 0..255 et NOMBRE 0..10000"},
        {Msg::OneSelection, "--select-quality, --select-brightness and --motion choose frames each their own way: give one",
         "--select-quality, --select-brightness et --motion choisissent les images chacune à sa façon : n'en donnez qu'une"},
        {Msg::MotionNeedsReference, "--motion compares each frame with a reference frame: give it with --reference",
         "--motion compare chaque image à une image de référence : donnez-la avec --reference"},
        {Msg::Version, "velumbra-stack %1", "velumbra-stack %1"},
        {Msg::CannotCreateFolder, "cannot create the folder %1", "impossible de créer le dossier %1"},
        {Msg::NoFrameRead, "no frame could be read; nothing written", "aucune image n'a pu être lue ; rien n'est écrit"},
        {Msg::NoFrameStacked, "no frame could be stacked; nothing written",
         "aucune image n'a pu être empilée ; rien n'est écrit"},
        {Msg::CannotCreateLog, "cannot create the log %1: %2", "impossible de créer le journal %1 : %2"},
        {Msg::CannotWriteLog, "cannot write the log %1: %2", "impossible d'écrire le journal %1 : %2"},
        {Msg::CannotRead, "cannot read %1: %2; skipped", "impossible de lire %1 : %2 ; image ignorée"},
        {Msg::SizeDiffers, "size %1x%2 differs from the run's %3x%4", "taille %1x%2 différente de celle des autres, %3x%4"},
        {Msg::FrameTooLarge,
         "%1 is %2x%3, larger than the 800x600 frames the program holds; skipped. Record in the camera's "
         "800x600 mode or a smaller one (640x480, with --binning 2 for more signal per pixel)",
         "%1 mesure %2x%3, plus que les images de 800x600 que le programme contient ; image ignorée. Enregistrez "
         "dans le mode 800x600 de la caméra ou un plus petit (640x480, avec --binning 2 pour plus de signal par pixel)"},
        {Msg::CenterOutside, "--center %1,%2 lies outside the %3x%4 frame; the frame centre is used",
         "--center %1,%2 est hors de l'image de %3x%4 ; le centre de l'image est pris"},
        {Msg::CannotWrite, "cannot write %1: %2", "impossible d'écrire %1 : %2"},
        {Msg::Saturated,
         "%1 of %2 cells reached the ceiling of 65535 and lost their detail (white, or black when inverted): "
         "stack fewer frames (--count %3 can never saturate)",
         "%1 cellules sur %2 ont atteint le plafond de 65535 et perdu leur détail (blanches, noires en négatif) : "
         "empilez moins d'images (--count %3 ne peut jamais saturer)"},
        {Msg::SaturatedBinned,
         "%1 of %2 cells reached the ceiling of 65535 and lost their detail (white, or black when inverted): "
         "stack fewer frames (--count %3 can never saturate) or use --binning 1, whose cells take a quarter "
         "of the light",
         "%1 cellules sur %2 ont atteint le plafond de 65535 et perdu leur détail (blanches, noires en négatif) : "
         "empilez moins d'images (--count %3 ne peut jamais saturer) ou prenez --binning 1, dont les cellules "
         "reçoivent quatre fois moins de lumière"},
        {Msg::ObjectLost,
         "tracking lost the object in %1 of %2 frames (the lost column of --log names them): a larger --detect, "
         "--track edges for a planet, or a --center on the object may help",
         "le suivi a perdu l'objet dans %1 images sur %2 (la colonne lost de --log les désigne) : un --detect plus "
         "grand, --track edges pour une planète ou un --center sur l'objet peuvent aider"},
        {Msg::CannotReadDark, "cannot read the dark frame %1: %2; nothing written",
         "impossible de lire l'image de noir %1 : %2 ; rien n'est écrit"},
        {Msg::CannotReadFlat, "cannot read the flat frame %1: %2; nothing written",
         "impossible de lire l'image de plage uniforme %1 : %2 ; rien n'est écrit"},
        {Msg::DarkSizeDiffers, "the dark frame %1 is %2x%3 but the light frames are %4x%5; nothing written",
         "l'image de noir %1 mesure %2x%3 mais les images à empiler mesurent %4x%5 ; rien n'est écrit"},
        {Msg::FlatSizeDiffers, "the flat frame %1 is %2x%3 but the light frames are %4x%5; nothing written",
         "l'image de plage uniforme %1 mesure %2x%3 mais les images à empiler mesurent %4x%5 ; rien n'est écrit"},
        {Msg::FlatMeanZero,
         "the flat (%1) has a mean of 0 in the %2 channel and cannot correct the light frames; nothing written",
         "la plage uniforme (%1) a une moyenne nulle dans la couche %2 et ne peut pas corriger les images ; "
         "rien n'est écrit"},
        {Msg::ChannelRed, "red", "rouge"},
        {Msg::ChannelGreen, "green", "verte"},
        {Msg::ChannelBlue, "blue", "bleue"},
        {Msg::CannotSaveFrame, "cannot write %1: %2; no further frame is saved",
         "impossible d'écrire %1 : %2 ; plus aucune image n'est enregistrée"},
        {Msg::SerFramesMissing, "%1 frames announced, %2 whole frames in the file: %3 frames lost",
         "%1 images annoncées, %2 images entières dans le fichier : %3 images perdues"},
        {Msg::IndiUnavailable, "INDI camera %1: %2; nothing written", "caméra INDI %1 : %2 ; rien n'est écrit"},
        {Msg::IndiFrameMissing, "INDI camera %1: %2; the frames so far are stacked",
         "caméra INDI %1 : %2 ; les images déjà prises sont empilées"},
        {Msg::CannotRecordSer, "cannot record %1: %2; the frames are no longer recorded",
         "impossible d'enregistrer %1 : %2 ; les images ne sont plus enregistrées"},
        {Msg::CannotReadReference, "cannot read the reference frame %1: %2; nothing written",
         "impossible de lire l'image de référence %1 : %2 ; rien n'est écrit"},
        {Msg::ReferenceSizeDiffers, "the reference frame %1 is %2x%3 but the light frames are %4x%5; nothing written",
         "l'image de référence %1 mesure %2x%3 mais les images à empiler mesurent %4x%5 ; rien n'est écrit"},
        {Msg::BothRoles, "%1 is both %2 and %3: it would be overwritten",
         "%1 est à la fois %2 et %3 : ce fichier serait écrasé"},
        {Msg::SameFileAs, "%1 (%2) is the same file as %3 (%4): it would be overwritten",
         "%1 (%2) est le même fichier que %3 (%4) : ce fichier serait écrasé"},
        {Msg::LogNamedLikeBmp, "the log %1 has the name of a BMP image; the log is CSV text: give --log a name of its own",
         "le journal %1 porte le nom d'une image BMP ; le journal est du texte CSV : donnez à --log un nom à lui"},
        {Msg::LeftOutRecord, "%1 is the record of the result; left out of the frames",
         "%1 est la fiche du résultat ; elle est écartée des images"},
        {Msg::LeftOutEarlierResult,
         "%1 is a result of an earlier run, to be replaced by this one; left out of the frames",
         "%1 est le résultat d'une exécution précédente, que celle-ci va remplacer ; il est écarté des images"},
        {Msg::RoleResult, "the result", "le résultat"},
        {Msg::RoleRecord, "the record", "la fiche des paramètres"},
        {Msg::RoleLog, "the log", "le journal"},
        {Msg::RoleLightFrame, "a light frame", "une image à empiler"},
        {Msg::RoleDarkFrame, "a dark frame", "une image de noir"},
        {Msg::RoleFlatFrame, "a flat frame", "une image de plage uniforme"},
        {Msg::RoleSavedFrame, "a frame saved by --save-frames", "une image enregistrée par --save-frames"},
        {Msg::RoleReferenceFrame, "the --reference frame", "l'image de --reference"},
        {Msg::RoleSerRecording, "the --ser recording", "l'enregistrement de --ser"},
        {Msg::SummaryFrames, "frames: %1 read, %2 stacked, %3 skipped", "images : %1 lues, %2 empilées, %3 ignorées"},
        {Msg::SummaryThresholds, "thresholds: low %1 (%2), high %3 (%4), in plane units",
         "seuils : bas %1 (%2), haut %3 (%4), en unités du plan"},
        {Msg::ThresholdGiven, "given", "donné"},
        {Msg::ThresholdLowPercentile, "0.1 % percentile", "centile 0,1 %"},
        {Msg::ThresholdHighPercentile, "99.9 % percentile", "centile 99,9 %"},
        {Msg::SummarySaturated, "saturated cells: %1 of %2", "cellules saturées : %1 sur %2"},
        {Msg::SummaryLost, "object lost: %1 of %2 frames", "objet perdu : %1 images sur %2"},
        {Msg::SummaryResult, "result: %1 (%2x%3)", "résultat : %1 (%2x%3)"},
        {Msg::SummaryTime, "time: %1 s", "durée : %1 s"},
        {Msg::SummaryRegisteredPlanet, "laid on the reference's disc: %1 of %2 frames, %3 skipped (no disc found)",
         "posées sur le disque de référence : %1 images sur %2, %3 écartées (pas de disque trouvé)"},
        {Msg::SummaryBest, "sharpest frames kept: %1 of %2 (--best %3)", "images les plus nettes gardées : %1 sur %2 (--best %3)"},
        {Msg::SummaryRegistered, "registered on their stars: %1 of %2 frames, %3 skipped (too few stars or a bad fit)",
         "recalées sur leurs étoiles : %1 images sur %2, %3 écartées (trop peu d'étoiles ou un mauvais ajustement)"},
        {Msg::SummaryCommonArea, "result cut to the area every registered frame covers: %1x%2 at %3,%4",
         "résultat coupé à la zone que couvre chaque image recalée : %1x%2 en %3,%4"},
        {Msg::Usage, R"(Usage: velumbra-stack [OPTIONS] FRAME.bmp|FRAME.fits|VIDEO.ser|FOLDER...
Adds up (stacks) the frames of a webcam on a telescope (BMP or FITS files, or
a SER video) into one image: each frame is taken in turn, the object may be
followed, the frames are summed and corrected with dark and flat frames, and
the sum is stretched to 8 bits between two thresholds and written as a 24-bit
BMP, or kept whole in a FITS file. A folder stands for its .bmp and FITS
files, in name order.
Frames are at most 800x600 pixels (the size of the program's frame buffers);
record a larger camera in its 800x600 mode or a smaller one.

Output
  -o, --output FILE     the result, a 24-bit BMP whose name ends in .bmp, or
                        a FITS file (.fits, .fit, .fts) of the corrected sums
                        (required); written under a temporary name and
                        renamed, never half-written
      --format bmp|fits the result's format (default: from its name): bmp
                        keeps what the thresholds show, fits the sums as
                        32-bit integers, unclipped, the thresholds as the
                        display range (CBLACK, CWHITE)
      --par             also write the parameter record beside it (same base
                        name, .par)
      --log FILE        CSV, one line per frame: frame,file,selected,star_x,
                        star_y,intensity_min,intensity_max,lost,score; the
                        intensities and lost (1 when tracking lost the object)
                        come from tracking and are empty without --track;
                        score is the frame's quality score with
                        --select-quality, its mean brightness with
                        --select-brightness, its changed fraction with
                        --motion, and empty without them
      --save-frames DIR write every light frame as it goes into the stack
                        (after --raw) to DIR/frame-00001.bmp, ...
      --ser FILE        record every light frame as it goes into the stack
                        (after --raw) into a SER video (8-bit blue-green-red,
                        or mono with --grey), with the frames' UTC times

Integration
      --mode MODE       single (default: one sum of every frame), loop (the
                        sum of the last --count frames, for planets), dark or
                        flat (the frames make a dark or flat master, which is
                        the result; a master is stretched for display, so it
                        cannot serve again as --dark or --flat)
      --count N         frames to stack: the loop length in loop mode, the
                        number of frames in the other modes; 0 = all (default
                        0, 1 in loop mode); later frames are not read
      --dark FILE       a dark frame (taken with the telescope covered),
                        subtracted from the sum (repeatable)
      --dark-level PCT  strength of the dark correction, 0..100 % (default 100
                        with darks, 10 with --smart-dark)
      --smart-dark R    replace only hot pixels by the mean around them (box
                        radius R, 1..9) instead of subtracting the dark; a
                        pixel is hot when its dark mean exceeds 255 minus
                        2.55 x the level
      --flat FILE       a flat frame (an evenly lit field), to even out
                        vignetting and dust (repeatable)
      --binning 1|2     1x1 (default) or 2x2: each result pixel sums 2x2
                        pixels (half the size, four times the signal)

Selection (one at most; frames not selected are not stacked)
      --select-quality T  keep the sharp frames: a frame is kept when the
                        size in bytes of the JPEG image of its zone (its
                        quality score; sharp frames compress worse) is at
                        least T, 0..9999999; --log shows the scores
      --jpeg-quality Q  JPEG quality of the score, 1..100 (default 30)
      --select-brightness T  keep the frames whose detection square
                        (--detect, around the object) has a mean brightness
                        above T, 0..255: leaves out empty frames
      --motion L,N      keep the frames that changed: a pixel changed when its
                        red + green + blue moved by more than 3 x L from the
                        reference (L 0..255), and a frame is kept when more
                        than N ten-thousandths of its pixels changed (N
                        0..10000); L or N at 0 keeps every frame
      --reference FILE  the reference frame of --motion, a BMP of the frames'
                        size (after --raw)

Display
      --min V           low threshold: plane values at or below it are black
      --max V           high threshold: plane values at or above it are white
                        Plane values are sums over the stacked frames: a
                        white pixel adds 255 per frame at 1x1 and four times
                        that (1020) at 2x2; a sum stops at 65535. Without
                        thresholds the 0.1 % and 99.9 % percentiles of the
                        result's values are taken, so that a few hot pixels do
                        not darken the image; one threshold given alone takes
                        the other from them
      --grey            grey levels (mean of the chosen channels); default colour
      --channels LIST   channels used, letters among r, g, b (default rgb)
      --invert          negative image

Zone and tracking
      --zone SIZE       width of the part of the frame that is stacked,
                        20..800 pixels (default: the whole frame)
      --center X,Y      where the object is in the first frame (default: the
                        frame centre)
      --track METHOD    follow the object so that the stack stays sharp:
                        brightest (its brightest pixel, for a star), axes (the
                        brightest row and column) or edges (the edges of a
                        disc, for a planet; --detect larger than the disc)
      --detect SIZE     side of the square searched for the object, 3..320
                        pixels (default 40)
      --tolerance T     brightness step a new position must beat, 0..255
                        (default 0; with --track)
      --dark-object     follow a dark object on a bright background (with
                        --track)
      --register stars  bring every frame onto the first by its stars (a turn
                        and a shift to a fraction of a pixel) before it is
                        added, for a field that turns and drifts; a frame
                        with too few stars is skipped; the result is cut to
                        the area every frame covers
      --register planet lay every frame on the reference's planet disc to a
                        fraction of a pixel (the sharpest frame with --best,
                        else the first); the disc may wander over a quarter
                        of the frame
      --best PCT        lucky imaging: every frame is first scored for
                        sharpness (the gradients over the planet's disc), and
                        only the sharpest PCT % (1..100) are stacked; the
                        frames are read twice

Frames
  A frame is a BMP file, a FITS image (8-bit, or 16-bit scaled to 8 bits; one
  plane grey, three planes red, green, blue) or every frame of a SER video
  (8-bit mono, raw mosaic, RGB or BGR); a folder stands for its .bmp, .fits,
  .fit and .fts files.
      --raw MODE        colour rebuilt from a raw sensor mosaic, pattern 1..4
      --simulate N      N frames of the built-in sky simulator instead of files
      --planet          the simulator shows a planet instead of a star field
      --seed S          simulator seed (default 20260101, the program's sky)
      --size WxH        simulated frame size (default 640x480)
      --field-rotation D  the simulated field turns by D degrees a minute, as
                        on an alt-azimuth mount (default 0)
      --indi CAMERA[@HOST[:PORT]]
                        --count N live frames of a camera of an INDI server
                        (default localhost:7624) instead of files; at most
                        800x600 binned pixels are read, centred on the sensor
      --exposure MS     the INDI camera's exposure in milliseconds (default 500)
      --gain G          the INDI camera's gain (default: the camera's own)
      --camera-binning N  the INDI camera's binning 1..4 (default 1)
      --subframe X,Y    the corner of the part read, in binned pixels
                        (default: centred)

Other
      --quiet           no progress bar and no summary
  -h, --help            this text
      --version         the version

The result has the size of the zone (at most the frame, halved by 2x2
binning). Frames of a size other than the first frame's are refused. At the
end a summary goes to the standard output; warnings (saturated cells, object
lost) go to the standard error. Messages are in French when the locale
(LC_ALL, LC_MESSAGES or LANG) is French.

An output (the result, the record, the log, a saved frame) that is also an
input, or two outputs on one file, is refused with status 2 before anything
is written. A result of an earlier run, or its record, found among the frames
is left out of them, with a message. An output given as a symbolic link
writes the file the link names; the link stays a link.

Exit status: 0 every frame was stacked; 3 some frames could not be read (each
reported on stderr and skipped); 1 nothing could be stacked or the result
could not be written; 2 usage error.
)",
         R"(Usage : velumbra-stack [OPTIONS] IMAGE.bmp|IMAGE.fits|VIDEO.ser|DOSSIER...
Additionne (empile) les images d'une webcam au foyer d'un télescope (fichiers
BMP ou FITS, ou une vidéo SER) en une seule image : chaque image est prise à
son tour, l'objet peut être suivi, les images sont additionnées et corrigées
par des images de noir et de plage uniforme, et la somme est étalée sur 8 bits
entre deux seuils puis écrite en BMP 24 bits, ou gardée entière dans un
fichier FITS. Un dossier vaut pour ses fichiers .bmp et FITS, dans l'ordre des
noms.
Les images font au plus 800x600 pixels (la taille des tampons d'image du
programme) ; enregistrez une caméra plus grande dans son mode 800x600 ou un
mode plus petit.

Sortie
  -o, --output FICHIER  le résultat, un BMP 24 bits dont le nom finit par .bmp,
                        ou un fichier FITS (.fits, .fit, .fts) des sommes
                        corrigées (obligatoire) ; écrit sous un nom provisoire
                        puis renommé, jamais à moitié
      --format bmp|fits le format du résultat (par défaut : d'après son nom) :
                        bmp garde ce que montrent les seuils, fits les sommes
                        en entiers de 32 bits, sans écrêtage, les seuils comme
                        plage d'affichage (CBLACK, CWHITE)
      --par             écrit aussi la fiche des paramètres à côté (même nom,
                        extension .par)
      --log FICHIER     CSV, une ligne par image : frame,file,selected,star_x,
                        star_y,intensity_min,intensity_max,lost,score ; les
                        intensités et lost (1 quand le suivi a perdu l'objet)
                        viennent du suivi et sont vides sans --track ; score
                        est la note de qualité de l'image avec
                        --select-quality, sa luminosité moyenne avec
                        --select-brightness, sa part de pixels changés avec
                        --motion, et vide sans eux
      --save-frames DOSSIER  écrit chaque image au moment où elle entre dans la
                        pile (après --raw) dans DOSSIER/frame-00001.bmp, ...
      --ser FICHIER     enregistre chaque image au moment où elle entre dans la
                        pile (après --raw) dans une vidéo SER (8 bits
                        bleu-vert-rouge, ou mono avec --grey), avec l'heure UTC
                        de chaque image

Intégration
      --mode MODE       single (par défaut : une somme de toutes les images),
                        loop (la somme des --count dernières images, pour les
                        planètes), dark ou flat (les images font un noir ou une
                        plage uniforme maître, qui est le résultat ; un maître
                        est étalé pour l'affichage et ne peut donc pas resservir
                        comme --dark ou --flat)
      --count N         images à empiler : la longueur de la boucle en mode
                        loop, le nombre d'images dans les autres modes ; 0 =
                        toutes (0 par défaut, 1 en mode loop) ; les images
                        suivantes ne sont pas lues
      --dark FICHIER    une image de noir (prise télescope bouché), soustraite
                        de la somme (répétable)
      --dark-level PCT  force de la correction du noir, 0..100 % (100 par
                        défaut avec des noirs, 10 avec --smart-dark)
      --smart-dark R    remplace seulement les pixels chauds par la moyenne de
                        leur voisinage (rayon R, 1..9) au lieu de soustraire le
                        noir ; un pixel est chaud quand sa moyenne dans le noir
                        dépasse 255 moins 2,55 x la force
      --flat FICHIER    une image de plage uniforme (un champ éclairé
                        également), contre le vignetage et les poussières
                        (répétable)
      --binning 1|2     1x1 (par défaut) ou 2x2 : chaque pixel du résultat
                        additionne 2x2 pixels (moitié de la taille, quatre fois
                        le signal)

Sélection (une au plus ; les images non retenues ne sont pas empilées)
      --select-quality S  garde les images nettes : une image est gardée quand
                        la taille en octets de l'image JPEG de sa zone (sa note
                        de qualité ; une image nette se compresse moins bien)
                        vaut au moins S, 0..9999999 ; --log montre les notes
      --jpeg-quality Q  qualité JPEG de la note, 1..100 (30 par défaut)
      --select-brightness S  garde les images dont le carré de détection
                        (--detect, autour de l'objet) a une luminosité moyenne
                        supérieure à S, 0..255 : écarte les images vides
      --motion N,C      garde les images qui ont changé : un pixel a changé
                        quand son rouge + vert + bleu s'écarte de plus de 3 x N
                        de la référence (N 0..255), et une image est gardée
                        quand plus de C dix-millièmes de ses pixels ont changé
                        (C 0..10000) ; N ou C à 0 garde toutes les images
      --reference FICHIER  l'image de référence de --motion, un BMP de la
                        taille des images (après --raw)

Affichage
      --min V           seuil bas : les valeurs du plan jusqu'à lui sont noires
      --max V           seuil haut : les valeurs du plan à partir de lui sont
                        blanches
                        Les valeurs du plan sont des sommes sur les images
                        empilées : un pixel blanc ajoute 255 par image en 1x1 et
                        quatre fois plus (1020) en 2x2 ; une somme s'arrête à
                        65535. Sans seuils, les centiles 0,1 % et 99,9 % des
                        valeurs du résultat sont pris, pour que quelques pixels
                        chauds n'assombrissent pas l'image ; un seuil donné seul
                        prend l'autre de ces centiles
      --grey            niveaux de gris (moyenne des couches choisies) ;
                        couleur par défaut
      --channels LISTE  couches utilisées, lettres parmi r, g, b (rgb par défaut)
      --invert          image en négatif

Zone et suivi
      --zone TAILLE     largeur de la partie de l'image qui est empilée,
                        20..800 pixels (par défaut : toute l'image)
      --center X,Y      position de l'objet dans la première image (par
                        défaut : le centre de l'image)
      --track MÉTHODE   suit l'objet pour que la pile reste nette : brightest
                        (son pixel le plus brillant, pour une étoile), axes (la
                        ligne et la colonne les plus brillantes) ou edges (les
                        bords d'un disque, pour une planète ; --detect plus
                        grand que le disque)
      --detect TAILLE   côté du carré où l'objet est cherché, 3..320 pixels
                        (40 par défaut)
      --tolerance T     écart de luminosité qu'une nouvelle position doit
                        dépasser, 0..255 (0 par défaut ; avec --track)
      --dark-object     suit un objet sombre sur un fond clair (avec --track)
      --register stars  ramène chaque image sur la première par ses étoiles
                        (rotation et décalage à une fraction de pixel) avant
                        de l'ajouter, pour un champ qui tourne et dérive ;
                        une image avec trop peu d'étoiles est écartée ; le
                        résultat est coupé à la zone que couvrent toutes les
                        images
      --register planet pose chaque image sur le disque de la planète de
                        référence à une fraction de pixel près (l'image la
                        plus nette avec --best, sinon la première) ; le disque
                        peut errer sur un quart de l'image
      --best PCT        imagerie chanceuse : chaque image est d'abord notée
                        pour sa netteté (les gradients sur le disque de la
                        planète), et seules les PCT % (1..100) les plus nettes
                        sont empilées ; les images sont lues deux fois

Images
  Une image est un fichier BMP, une image FITS (8 bits, ou 16 bits ramenés à
  8 bits ; un plan en gris, trois plans rouge, vert, bleu) ou chaque image
  d'une vidéo SER (8 bits mono, mosaïque brute, RVB ou BVR) ; un dossier vaut
  pour ses fichiers .bmp, .fits, .fit et .fts.
      --raw MODE        couleurs reconstruites depuis la mosaïque brute du
                        capteur, motif 1..4
      --simulate N      N images du simulateur de ciel intégré au lieu de
                        fichiers
      --planet          le simulateur montre une planète au lieu d'étoiles
      --seed S          graine du simulateur (20260101 par défaut, le ciel du programme)
      --size LxH        taille des images simulées (640x480 par défaut)
      --field-rotation D  le champ simulé tourne de D degrés par minute, comme
                        sur une monture altazimutale (0 par défaut)
      --indi CAMERA[@HOTE[:PORT]]
                        --count N images en direct d'une caméra d'un serveur
                        INDI (localhost:7624 par défaut) au lieu de fichiers ;
                        au plus 800x600 pixels après binning sont lus, au
                        centre du capteur
      --exposure MS     pose de la caméra INDI en millisecondes (500 par défaut)
      --gain G          gain de la caméra INDI (par défaut : le sien)
      --camera-binning N  binning de la caméra INDI 1..4 (1 par défaut)
      --subframe X,Y    coin de la partie lue, en pixels après binning (par
                        défaut : centrée)

Divers
      --quiet           ni barre de progression ni bilan
  -h, --help            ce texte
      --version         la version

Le résultat a la taille de la zone (au plus l'image, moitié en binning 2x2).
Les images d'une autre taille que la première sont refusées. À la fin, un
bilan va sur la sortie standard ; les avertissements (cellules saturées, objet
perdu) vont sur la sortie d'erreur. Les messages sont en français quand la
locale (LC_ALL, LC_MESSAGES ou LANG) est française.

Une sortie (le résultat, la fiche, le journal, une image enregistrée) qui est
aussi une entrée, ou deux sorties sur un même fichier, sont refusées avec le
code 2 avant toute écriture. Un résultat d'une exécution précédente, ou sa
fiche, trouvé parmi les images en est écarté, avec un message. Une sortie
donnée par un lien symbolique écrit le fichier que le lien désigne ; le lien
reste un lien.

Code de sortie : 0 toutes les images ont été empilées ; 3 des images n'ont pas
pu être lues (chacune signalée sur la sortie d'erreur et ignorée) ; 1 rien n'a
pu être empilé ou le résultat n'a pas pu être écrit ; 2 erreur d'utilisation.
)"},
    };
    count = std::size(table);
    return table;
}

} // namespace velumbra::stack
