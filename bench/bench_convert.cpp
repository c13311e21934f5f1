// bench-convert [SECONDS]: vq250-convert against SoX on the same input.
// Prints the CPU time of each on SECONDS (default 120) of 44.1 kHz 16-bit
// stereo, their ratio (the goal: at most 1.5), and three quality figures for
// each: the level of a 1 kHz tone (goal: within 0.1 dB), the passband's
// spread from 100 Hz to 3.5 kHz (goal: within 0.5 dB) and a 6 kHz tone
// against the dither floor (goal: no louder, 0 dB or less).

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char **environ;

namespace
{

constexpr double Pi = 3.14159265358979323846;
constexpr int Rate = 44100;
const double Amplitude = std::pow(10.0, -6.0 / 20.0); // -6 dBFS

bool writeTone(const QString &path, double seconds, double hertz, double amplitude, int channels,
    int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16)
{
    SF_INFO info {};
    info.samplerate = Rate;
    info.channels = channels;
    info.format = format;
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!file)
        return false;
    const auto frames = long(seconds * Rate);
    std::vector<double> block;
    for (long start = 0; start < frames; start += 4096) {
        const long count = std::min<long>(4096, frames - start);
        block.assign(std::size_t(count * channels), 0.0);
        for (long f = 0; f < count; ++f)
            for (int c = 0; c < channels; ++c)
                block[std::size_t(f * channels + c)]
                    = amplitude * std::sin(2.0 * Pi * hertz * double(start + f) / Rate + c);
        sf_writef_double(file, block.data(), count);
    }
    return sf_close(file) == 0;
}

// Runs a program to its end; its CPU time (user and system) in seconds.
std::optional<double> cpuSeconds(const QString &program, const QStringList &arguments)
{
    std::vector<QByteArray> owned { QFile::encodeName(program) };
    for (const QString &argument : arguments)
        owned.push_back(QFile::encodeName(argument));
    std::vector<char *> argv;
    for (QByteArray &argument : owned)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return std::nullopt;
    int status = 0;
    rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The best of three runs.
std::optional<double> bestCpuSeconds(const QString &program, const QStringList &arguments)
{
    std::optional<double> best;
    for (int run = 0; run < 3; ++run) {
        const std::optional<double> seconds = cpuSeconds(program, arguments);
        if (!seconds)
            return std::nullopt;
        best = std::min(best.value_or(*seconds), *seconds);
    }
    return best;
}

// RMS of an 8 kHz 8-bit output in LSB, without the filters' first and last 0.1 s.
std::optional<double> rmsOf(const QString &path)
{
    SF_INFO info {};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file)
        return std::nullopt;
    std::vector<short> samples(std::size_t(info.frames));
    sf_readf_short(file, samples.data(), info.frames);
    sf_close(file);
    const std::size_t margin = 800;
    if (samples.size() <= 2 * margin)
        return std::nullopt;
    double sum = 0.0;
    for (std::size_t i = margin; i < samples.size() - margin; ++i) {
        const double lsb = samples[i] / 256.0;
        sum += lsb * lsb;
    }
    return std::sqrt(sum / double(samples.size() - 2 * margin));
}

double db(double ratio)
{
    return 20.0 * std::log10(ratio);
}

struct Converter {
    QString name;
    QString program;
    QStringList (*arguments)(const QString &in, const QString &out);
};

QStringList ourArguments(const QString &in, const QString &out)
{
    return { in, out };
}

QStringList soxArguments(const QString &in, const QString &out)
{
    return { in, "-r", "8000", "-b", "8", "-c", "1", "-e", "unsigned-integer", out };
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 120.0;
    QTemporaryDir dir;
    const QString ours = QStringLiteral(VQ250_CONVERT_EXE);
    const QString sox = QStandardPaths::findExecutable(QStringLiteral("sox"));
    QList<Converter> converters { { QStringLiteral("vq250-convert"), ours, ourArguments } };
    if (!sox.isEmpty())
        converters << Converter { QStringLiteral("sox"), sox, soxArguments };

    const QString longInput = dir.filePath(QStringLiteral("long.wav"));
    if (!dir.isValid() || !writeTone(longInput, seconds, 440.0, Amplitude, 2)) {
        out << "bench-convert: cannot write the test input\n";
        return 1;
    }
    const double inputRms = Amplitude / std::sqrt(2.0) * 128.0;
    const double passband[] = { 100, 300, 1000, 2000, 3000, 3500 };

    std::optional<double> ourCpu;
    for (const Converter &c : converters) {
        const QString result = dir.filePath(c.name + QStringLiteral(".wav"));
        const std::optional<double> cpu = bestCpuSeconds(c.program, c.arguments(longInput, result));
        if (!cpu) {
            out << c.name << ": failed to run\n";
            return 1;
        }
        out << c.name << ": " << QString::number(*cpu, 'f', 3) << " s CPU for " << seconds
            << " s of 44.1 kHz 16-bit stereo";
        if (!ourCpu)
            ourCpu = cpu;
        else
            out << "; vq250-convert takes " << QString::number(*ourCpu / *cpu, 'f', 2)
                << " times as long (goal: at most 1.5)";
        out << '\n';

        // Quality, each tone 2 s of 44.1 kHz 32-bit float mono.
        const auto levelAt = [&](double hertz, double amplitude) -> std::optional<double> {
            const QString in = dir.filePath(QStringLiteral("tone.wav"));
            const QString converted = dir.filePath(QStringLiteral("tone8.wav"));
            if (!writeTone(in, 2.0, hertz, amplitude, 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT)
                || !cpuSeconds(c.program, c.arguments(in, converted)))
                return std::nullopt;
            return rmsOf(converted);
        };
        const std::optional<double> level = levelAt(1000.0, Amplitude);
        double lowest = 1e9;
        double highest = -1e9;
        for (double hertz : passband) {
            const std::optional<double> at = levelAt(hertz, Amplitude);
            lowest = std::min(lowest, at ? db(*at / inputRms) : -1e9);
            highest = std::max(highest, at ? db(*at / inputRms) : 1e9);
        }
        const std::optional<double> stopband = levelAt(6000.0, Amplitude);
        // A tone far below one step leaves the dither and rounding noise alone.
        const std::optional<double> floor = levelAt(1000.0, 1e-5);
        if (!level || !stopband || !floor || !*floor) {
            out << c.name << ": the quality runs failed\n";
            return 1;
        }
        out << "  1 kHz tone level: " << QString::number(db(*level / inputRms), 'f', 3)
            << " dB (goal: within 0.1 dB)\n"
            << "  passband 100 Hz to 3.5 kHz: " << QString::number(highest - lowest, 'f', 3)
            << " dB from lowest to highest (goal: within 0.5 dB)\n"
            << "  6 kHz tone: " << QString::number(*stopband, 'f', 3) << " LSB RMS, dither floor "
            << QString::number(*floor, 'f', 3)
            << " LSB RMS: " << QString::number(db(*stopband / *floor), 'f', 2)
            << " dB (goal: 0 dB or less)\n";
    }
    if (sox.isEmpty())
        out << "sox is not installed: no time ratio\n";
    return 0;
}
