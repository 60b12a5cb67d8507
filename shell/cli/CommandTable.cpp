// Every command of brenmark-cli, listed once: its name, its usage and the
// text --help (and the man page made from it) shows. Each command's function
// lives in a file of its own.
#include "shell/cli/CliCommand.h"

namespace brenmark::cli {

int RunDrives(CliSession&, const std::vector<std::string>&);
int RunTray(CliSession&, const std::vector<std::string>&);
int RunBurnCd(CliSession&, const std::vector<std::string>&);
int RunBurnDvd(CliSession&, const std::vector<std::string>&);
int RunBurnAudio(CliSession&, const std::vector<std::string>&);
int RunBurnVcd(CliSession&, const std::vector<std::string>&);
int RunBurnImage(CliSession&, const std::vector<std::string>&);
int RunDeviceInfo(CliSession&, const std::vector<std::string>&);
int RunDiscInfo(CliSession&, const std::vector<std::string>&);
int RunGrab(CliSession&, const std::vector<std::string>&);
#if defined(__linux__)
int RunExpose(CliSession&, const std::vector<std::string>&);
#endif

namespace {

constexpr CliCommand kCommands[] = {
    {"drives", "",
     "Lists the recorders with their indexes, the real ones first, then the virtual ones.", RunDrives},
    {"tray",
     "[show | blank [cd-r | cd-rw | dvd-r | dvd-rw | dvd+r | dvd+rw] [--minutes N] | insert IMAGE|last | eject | "
     "empty | pace real|fast]",
     "Works the tray of a virtual recorder (the named one, else the virtual CD recorder).\n"
     "show: what is in the tray (the default); blank: load a fresh blank disc (the recorder's\n"
     "own kind, or the one named: a CD-RW or DVD-RW can be blanked again, a DVD-RW or DVD+RW\n"
     "formatted; a CD-R of --minutes N: 21, 63, 74, 80, 90 or 99); insert IMAGE: load a .cue\n"
     "or .iso image (it is never modified; a disc left open stays open, read from the REM\n"
     "lines of its .cue or a NAME.state beside it); insert last: load the disc this recorder\n"
     "burned last; eject: take the disc out, printing the path of the finished image when the\n"
     "disc was written; empty: take the disc out like eject and leave the tray empty; pace\n"
     "real: reads and writes take the time a drive at the selected speed takes (pace fast, the\n"
     "default: no time). The tray and the pace stay as left for the next run and every program\n"
     "using the recorder. While another process uses the recorder, its tray is refused as busy;\n"
     "while a program holding it has locked the tray, the disc stays in.",
     RunTray},
    {"burn-cd", "[--multisession] [--blank fast|full] [--verify] FOLDER",
     "Burns FOLDER as an ISO 9660 + Joliet data CD (label TestDisc) to the drive, at the speed\n"
     "chosen with --speed or the drive's fastest one. --multisession leaves the disc open for\n"
     "more sessions. On a disc left open the new session also holds the files of the previous\n"
     "one (a new file replaces an old one of the same name); when those cannot be read, the\n"
     "command asks whether to append without them (--yes / --no answer). --verify reads every\n"
     "file of the new session back through the written directories before the eject and\n"
     "compares it with what was written (files of earlier sessions are checked readable); any\n"
     "difference or unreadable block ends the command with status 1, naming the file. A\n"
     "written, closed CD-RW or DVD-RW is blanked first when the user agrees (--yes / --no),\n"
     "or without asking with --blank fast (minimally) or --blank full (the whole disc).",
     RunBurnCd},
    {"burn-dvd", "[--multisession] [--blank fast|full] [--verify] FOLDER",
     "Burns FOLDER as an ISO 9660 + Joliet data DVD, like burn-cd, the way the medium allows:\n"
     "a blank DVD-R or DVD-RW at once (closed), or with --multisession incrementally, left open;\n"
     "a DVD+R incrementally, finalized unless --multisession; a DVD+RW (formatted first when\n"
     "blank) or restricted-overwrite DVD-RW in place, a later burn growing its file system.",
     RunBurnDvd},
    {"burn-audio", "[--verify] [--disc-at-once [--gap SECONDS] [--title TEXT] [--performer TEXT]] FILE.wav...",
     "Burns the WAV files as an audio CD, one track per file in the order given, and closes the\n"
     "disc. Each file must hold 16-bit stereo PCM at 44.1 kHz; a file shorter than 4 seconds is\n"
     "completed with silence. A disc that can take another session gets the tracks after its\n"
     "own. Track numbers past 99 or more audio than the disc holds are refused before writing.\n"
     "--verify reads every track's samples back before the eject and compares them with what\n"
     "was written; a difference or an unreadable block ends with status 1, naming the track.\n"
     "--disc-at-once writes the disc in one session at once on a blank CD instead: the tracks\n"
     "back to back with no pause (--gap SECONDS for another pause), with CD-TEXT: the disc's\n"
     "--title and --performer, and per track the title and artist of the WAV file's INFO tags\n"
     "(the file's name without its extension when it has no title).",
     RunBurnAudio},
    {"burn-vcd", "[--verify] FILE.mpg...",
     "Burns MPEG-1 files (at most 32, each under 4 GB) as a Video CD to a blank CD, one track\n"
     "per file in the order given, at the speed chosen with --speed or the drive's fastest one.\n"
     "A single file too large for the disc is spread over several discs; before each further\n"
     "disc the command waits for Enter (--yes goes on at once, --no stops). The virtual\n"
     "recorder loads a fresh blank of the same size on every eject. Each finished disc's image\n"
     "path is printed when it is ejected. --verify reads every written sector of each disc back\n"
     "before its eject, like burn-audio --verify, naming the track that differs.",
     RunBurnVcd},
    {"burn-image", "[--verify] IMAGE.iso|IMAGE.cue",
     "Burns an image file as it is on a blank disc. An .iso becomes a data CD (track at once)\n"
     "or, in a DVD recorder, a data DVD. A .cue is burned with the files it names on a CD in one\n"
     "session at once, with every track, pregap, index, ISRC, catalogue number and CD-TEXT\n"
     "(TITLE, PERFORMER, SONGWRITER) it holds; tracks may be AUDIO, MODE1/2048, MODE1/2352,\n"
     "MODE2/2336 or MODE2/2352. The whole image is checked before the first write: a missing\n"
     "file, a size that does not match the cue sheet, an unsupported mode or an image larger\n"
     "than the disc is refused with the line or the file named. --verify reads every track back\n"
     "before the eject and compares it with what was written, like burn-audio --verify.",
     RunBurnImage},
    {"device-info", "",
     "Prints the drive's information report on the standard output: model, interface, the\n"
     "media it reads and writes, its features, buffer, loading mechanism and write speeds.\n"
     "When the drive cannot be queried, its message is printed instead and the status is 1.",
     RunDeviceInfo},
    {"disc-info", "",
     "Prints the report of the disc in the drive, like device-info: sessions, tracks, states,\n"
     "mode and capacity, then each session with its tracks' start times, lengths and kinds.",
     RunDiscInfo},
    {"grab", "[--format wav|mp3] [--bitrate KBPS] [--tracks LIST] [--overwrite] OUTPUT_FOLDER",
     "Copies audio tracks of the disc in the drive into OUTPUT_FOLDER as track01.wav, ...\n"
     "(--format mp3: track01.mp3, ... at --bitrate KBPS, one of 32 40 48 56 64 80 96 112 128\n"
     "160 192 224 256 320; 128 by default). --tracks LIST chooses tracks, like 1,3-5; by\n"
     "default every audio track is grabbed. The path of each finished file is printed on the\n"
     "standard output, its CRC32 and AccurateRip v1/v2 checksums on the standard error; both\n"
     "go with the drive, the track times and any read retries to grab.log in OUTPUT_FOLDER,\n"
     "one section per grab. Files already at the output names are named and the grab refused\n"
     "unless --overwrite (or --yes) is given; each file gets its name only once complete,\n"
     "and --overwrite also removes the files an interrupted grab left (track01.wav.part-...).\n"
     "A track whose read is given up is kept as track01.incomplete.wav (or .mp3), and the\n"
     "grab goes on, ending failed. OUTPUT_FOLDER is created, with any missing parents, before\n"
     "the first track is read; it must take files and have room for them.",
     RunGrab},
#if defined(__linux__)
    {"expose", "[--cd-as PATH] [--dvd-as PATH] -- COMMAND [ARGS...]",
     "Runs COMMAND with the virtual recorders shown as CD/DVD devices: the CD recorder at\n"
     "/dev/sr90 and the DVD recorder at /dev/sr91, or at the paths given (which must not exist\n"
     "on the system). Any program, and its children, can open them and send them SCSI\n"
     "commands through SG_IO as to a real drive; brenmark-cli run inside lists them as sr90 and\n"
     "sr91. The recorders keep their discs in the data folder as always, and while COMMAND has\n"
     "a device open, other processes find that recorder busy. --fault arms the recorders COMMAND\n"
     "uses; with :transport a faulty command fails the ioctl (EIO), with :host=HH it reports the\n"
     "host adapter status HH (01 no connection, 03 time-out). The two device paths are printed\n"
     "on the standard error first; the status is COMMAND's (127 when it could not be run).",
     RunExpose},
#endif
};

}  // namespace

std::span<const CliCommand> CliCommands() { return kCommands; }

}  // namespace brenmark::cli
