#include "bench/BenchmarkOptions.h"

#include <cmath>
#include <iostream>
#include <optional>

#include "bench/ShaderSets.h"
#include "tools/common/FixedStep.h"

namespace tandril::bench {
namespace {

int usage(const std::string& problem) {
    std::cerr
        << "tandril_benchmark: " << problem << "\n"
        << "usage: tandril_benchmark [--size WxH] [--frames N] [--warmup N] [--json]\n"
        << "                         [--against DIR]   (DIR's shader files against shader/,\n"
        << "                                            and DIR/../objects/plane.obj if there)\n"
        << "                         [--passes]        (with --against: each pass's ratio too)\n"
        << "                         [--no-limit]      (skip the constant-colour series)\n"
        << "                         [--from SECONDS]  (start the series that far into the run)\n"
        << "--frames N measures N frames of the run (default: all 1230, 41 s).\n"
        << "Run from the repository root (it reads shader/, objects/, textures/).\n";
    return 2;
}

}  // namespace

std::variant<Options, int> parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        const bool hasValue = i + 1 < argc;
        if (flag == "--size" && hasValue) {
            if (!tools::storeParsed(tools::parseSize(argv[++i]), options.size)) {
                return usage("--size wants WIDTHxHEIGHT, e.g. 800x600");
            }
        } else if (flag == "--frames" && hasValue) {
            if (!tools::storeParsed(tools::parseWholeNumber(argv[++i], 1, 100000),
                                    options.frames)) {
                return usage("--frames wants a positive count");
            }
        } else if (flag == "--warmup" && hasValue) {
            if (!tools::storeParsed(tools::parseWholeNumber(argv[++i], 0, 100000),
                                    options.warmup)) {
                return usage("--warmup wants a count");
            }
        } else if (flag == "--from" && hasValue) {
            const std::optional<double> seconds = tools::parseNumber(argv[++i], 0.0, 3600.0);
            if (!seconds) {
                return usage("--from wants seconds from 0 to 3600");
            }
            options.firstFrame = static_cast<int>(std::lround(*seconds / tools::kTimeStep));
        } else if (flag == "--json") {
            options.json = true;
        } else if (flag == "--passes") {
            options.againstPasses = true;
        } else if (flag == "--no-limit") {
            options.limit = false;
        } else if (flag == "--against" && hasValue) {
            options.against = argv[++i];
            if (const std::string path = unreadableShaderFile(options.against); !path.empty()) {
                return usage("--against: cannot read " + path);
            }
        } else {
            return usage("unknown or incomplete option '" + flag + "'");
        }
    }
    if (options.againstPasses && options.against.empty()) {
        return usage("--passes compares with --against DIR");
    }
    return options;
}

}  // namespace tandril::bench
