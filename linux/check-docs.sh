#!/usr/bin/env bash
# The README and the guide as a reader follows them: every shell command of their ```sh blocks runs, in order,
# with the install prefix /usr/local replaced by a scratch prefix and sudo left out; a game is made of the
# guide's CMakeLists.txt and main (and of the README's two CMake lines) and built both ways; the guide's
# settings excerpt compiles; the libraries a built game needs are the ones the guide lists. Commands that change
# the machine (apt-get) or that CI runs itself (the scripts in linux/) are named and skipped.
# Usage: linux/check-docs.sh [BUILD_DIR]   (default linux/build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${1:-$root/linux/build}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/prefix" "$work/mygame" "$work/tools"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy

python3 - "$root" "$build" "$work" <<'PY'
import os, re, subprocess, sys

root, build, work = sys.argv[1:4]
prefix, game, tools = (os.path.join(work, d) for d in ("prefix", "mygame", "tools"))
env = dict(os.environ, PATH=prefix + "/bin:" + os.environ["PATH"],
           PKG_CONFIG_PATH=prefix + "/lib/pkgconfig")

def blocks(name):
    """(language, text, heading) of every fenced block of a Markdown file."""
    text = open(os.path.join(root, name)).read()
    found, heading = [], ""
    for m in re.finditer(r"^(#+ [^\n]*)$|^```(\w*)\n(.*?)^```", text, re.S | re.M):
        if m.group(1):
            heading = m.group(1)
        else:
            found.append((m.group(2), m.group(3), heading))
    return found

def fail(message):
    sys.exit("check-docs: " + message)

def run(command, cwd, where):
    print("   $", command)
    done = subprocess.run(["bash", "-c", "set -eo pipefail; " + command], cwd=cwd, env=env,
                          capture_output=True, text=True)
    if done.returncode != 0:
        fail(f"{where}: '{command}' failed:\n{done.stdout}{done.stderr}")
    return done.stdout

# Where a command runs: the engine's tree for building and installing the engine, the game's folder for building
# a game, a copy of walker's folder for the tools.
def folder(heading, command):
    if "linux/" in command:
        return root
    if "Images" in heading:
        return tools
    if any(h in heading for h in ("Use Zarvello", "Build a game", "Shipping")):
        return game
    return root

readme, guide = blocks("README.md"), blocks("docs/guide.md")
cmake_lists = next(t for lang, t, h in guide if lang == "cmake" and "project(" in t)
main = next(t for lang, t, h in guide if lang == "cpp" and "int main" in t)
settings = next(t for lang, t, h in guide if lang == "cpp" and "register" in t)
two_lines = next(t for lang, t, h in readme if lang == "cmake")
open(os.path.join(game, "CMakeLists.txt"), "w").write(cmake_lists)
open(os.path.join(game, "mygame.cpp"), "w").write(main)
open(os.path.join(game, "game.cpp"), "w").write(main)
os.symlink(os.path.join(root, "examples"), os.path.join(game, "examples"))
subprocess.run(["cp", "-r", os.path.join(root, "examples/walker/art"), tools], check=True)
os.makedirs(os.path.join(tools, "pack/gfx/walker"))
os.makedirs(os.path.join(tools, "pack/gfx/fonts"))
os.makedirs(os.path.join(tools, "data"))

ran = 0
for name, found in (("README.md", readme), ("docs/guide.md", guide)):
    for lang, text, heading in found:
        if lang != "sh":
            continue
        for line in text.splitlines():
            command = re.sub(r"\s+#.*$", "", line).strip()
            if not command:
                continue
            if re.match(r"bash linux/", command):
                print("   (run by CI itself)", command)
                continue
            if "apt-get install" in command:
                command = command.split("&& sudo apt-get", 1)[0].strip()
                print("   (changes the machine: linux/check-install.sh --system does it) apt-get install")
            command = command.replace("sudo ", "").replace("/usr/local", prefix)
            command = re.sub(r"(?<![\w/])linux/build\b", build, command)
            output = run(command, folder(heading, line), f"{name}, {heading}")
            ran += 1
            if command.startswith("readelf") and "NEEDED" in command:
                listed = set(re.findall(r"[\w.+-]+\.so\.\d+", line))
                needed = set(re.findall(r"\[([^]]+)\]", output))
                if listed != needed:
                    fail(f"{name}: a built game needs {sorted(needed)}, the guide lists {sorted(listed)}")

print("   the README's two CMake lines make a game")
readme_game = os.path.join(work, "readme-game")
os.makedirs(readme_game)
open(os.path.join(readme_game, "CMakeLists.txt"), "w").write(
    "cmake_minimum_required(VERSION 3.16)\nproject(Game LANGUAGES CXX)\nadd_executable(game game.cpp)\n"
    + two_lines)
open(os.path.join(readme_game, "game.cpp"), "w").write(main)
run(f"cmake -S . -B build -DCMAKE_PREFIX_PATH={prefix} && cmake --build build", readme_game, "README.md")

print("   the guide's settings excerpt compiles")
file_scope = "".join(l + "\n" for l in settings.splitlines() if l.startswith("static"))
body = "".join(l + "\n" for l in settings.splitlines() if l and not l.startswith("static"))
open(os.path.join(game, "settings.cpp"), "w").write(
    "#include <zarvello/ConfigTable.h>\n" + file_scope + "void registerSettings()\n{\n" + body + "}\n")
run("g++ -std=c++17 -Wall -Wextra -Werror -c settings.cpp $(pkg-config --cflags zarvello)", game, "docs/guide.md")
print(f"check-docs: {ran} commands of the README and the guide ran as written")
PY
