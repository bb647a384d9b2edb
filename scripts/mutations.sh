#!/usr/bin/env bash
# Breaks behaviours on purpose, one at a time, and checks that the tests notice each.
#
#   scripts/mutations.sh             run every mutation
#   scripts/mutations.sh NAME...     run the named ones
#   scripts/mutations.sh --list      list them
#
# Each mutation is one Perl substitution that must match exactly once in one source file. The
# tree (tracked and untracked, not ignored files) is copied to build-mutations/tree, built in
# build-mutations/build (with ccache when installed, so that only the broken file and what links
# it are rebuilt), and the mutation's tests run there. A mutation counts as caught when one of
# its tests fails. Prints a table; exits non-zero when a mutation survives, does not apply or
# does not build, or when the tests fail on the unbroken tree.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work="$root/build-mutations"
tree="$work/tree"
build="$work/build"

# mutation NAME FILE SUBSTITUTION TESTS: the Perl substitution is applied with -0777 (so it may
# span lines); TESTS are ctest names, built and run for this mutation.
names=() files=() substs=() testsets=()
mutation() { names+=("$1") files+=("$2") substs+=("$3") testsets+=("$4"); }

mutation json-members-swapped src/entries/EntryJsonWriter.cpp \
    's{\{"text", &entry\.text\(\)\}, \{"markdown", &entry\.markdown\(\)\}}{{"markdown", &entry.markdown()}, {"text", &entry.text()}}' \
    'entries_tests store_tests'
mutation empty-markdown-classified src/entries/ClipboardCapture.cpp \
    's{if \(markdown && !markdown->isEmpty\(\)\)}{if (markdown)}' \
    'entries_tests'
mutation small-image-enlarged src/entries/ImageNormalizer.cpp \
    's{if \(scale >= 0\.999\) \{}{if (scale >= 0.999 && scale <= 1.0) \{}' \
    'entries_tests'
mutation duplicate-kept-below src/store/ClipboardManager.cpp \
    's{if \(history_\[i\]\.fingerprint\(\) != entry\.fingerprint\(\)\) \{}{if (true) \{}' \
    'store_tests'
mutation file-name-keeps-slash src/entries/ClipboardEntry.cpp \
    's{lastIndexOf\(QLatin1Char\(\x27/\x27\)\) \+ 1\)}{lastIndexOf(QLatin1Char(\x27/\x27)))}' \
    'entries_tests panel_preview_test'
mutation search-index-not-lowered src/entries/SearchIndex.cpp \
    's{condensedWhitespace\(prefix\.text\)\.toLower\(\)}{condensedWhitespace(prefix.text)}' \
    'entries_tests panel_model_test'
mutation secret-mark-ignored src/store/PasteboardMonitor.cpp \
    's{"x-kde-passwordManagerHint"}{"x-kde-passwordManagerHint-unused"}' \
    'store_monitor_test platform_x11_test'
mutation secret-mark-check-removed src/store/PasteboardMonitor.cpp \
    's{if \(!pasteboard->hasType\(secretMarkType\(\)\)\) \{}{if (true) \{}' \
    'store_monitor_test'
mutation trim-off-by-one src/store/ClipboardManager.cpp \
    's{inserted\.size\(\) > maxEntries}{inserted.size() > maxEntries + 1}' \
    'store_tests'
mutation corrupt-file-overwritten src/store/HistorySaver.cpp \
    's{if \(!DurableFile::existsOrDangles\(path_\)\) \{}{if (true) \{}' \
    'store_tests'
mutation terminal-chord-ignored src/platform/PasteChord.cpp \
    's{return PasteChord::controlShiftV;}{return PasteChord::controlV;}' \
    'store_monitor_test'
mutation fsync-before-rename-removed src/platform/DurableFile.cpp \
    's{ok = ok && step\(::fsync\(fd\) == 0\);}{}' \
    'platform_logic_test store_tests settings_tests'
mutation backfilled-index-not-saved src/store/ClipboardManager.cpp \
    's{if \(searchIndexMissing\) \{}{if (false) \{}' \
    'store_tests'
mutation crlf-splits-lines src/entries/ClipboardCapture.cpp \
    's{if \(c == u\x27\\n\x27 && \(i == 0 \|\| text\[i - 1\] != u\x27\\r\x27\)\) \{}{if (c == u\x27\\n\x27) \{}' \
    'entries_tests'
mutation top-duplicate-reinserted src/store/ClipboardManager.cpp \
    's{history_\.first\(\)\.fingerprint\(\) == entry\.fingerprint\(\)\) \{}{false) \{}' \
    'store_tests'
mutation numlock-variant-dropped src/platform/x11/X11HotkeyRegistrar.cpp \
    's{grab\.lockVariants\.append\(\{numLock,[^;]*;}{}' \
    'platform_x11_test'
mutation wm-class-instance-used src/platform/x11/X11Workspace.cpp \
    's{wmClass\.mid\(split \+ 1\)}{wmClass.left(split)}' \
    'platform_x11_delivery platform_x11_test'
mutation autostart-percent-unescaped src/platform/x11/XdgAutostartLoginItem.cpp \
    's{value\.replace\(QLatin1Char\(\x27%\x27\), QStringLiteral\("%%"\)\);}{}' \
    'platform_logic_test'
mutation durable-temp-left-behind src/platform/DurableFile.cpp \
    's{::unlink\(templ\.constData\(\)\);}{}' \
    'platform_logic_test'
mutation x11-unresponsive-owner-asked-again src/platform/x11/X11Pasteboard.cpp \
    's{for \(const TextTarget& target : textTargets\(\)\) \{\n        if \(state\.unresponsive\) \{\n            return std::nullopt;\n        \}}{for (const TextTarget& target : textTargets()) \{}' \
    'platform_x11_test'
mutation preset-flag-dropped src/settings/HotkeyModifierPreset.cpp \
    's{"optionShift", u"\\u2325\\u21E7", Preset::optionBit \| Preset::shiftBit}{"optionShift", u"\\u2325\\u21E7", Preset::optionBit}' \
    'settings_tests'
mutation hotkey-json-key-optional src/settings/HotkeyConfig.cpp \
    's{\|\| !json\.contains\("key"\) }{}' \
    'settings_tests'
mutation debounce-shortened src/panel/PanelViewModel.cpp \
    's{debounce_\.setInterval\(debounceInterval\);}{debounce_.setInterval(debounceInterval / 4);}' \
    'panel_model_test'
mutation selection-wraps-at-end src/panel/PanelViewModel.cpp \
    's{down \? std::min\(index \+ 1, visible\.size\(\) - 1\)}{down ? (index + 1) % visible.size()}' \
    'panel_model_test'
mutation known-top-selected-again src/panel/PanelViewModel.cpp \
    's{return known \? std::nullopt : std::optional\(top\);}{return std::optional(top);}' \
    'panel_model_test'
mutation settings-corrupt-not-kept-aside src/settings/AppSettings.cpp \
    's{keepAsideBeforeSave_ = QFileInfo::exists\(storageURL_\);}{keepAsideBeforeSave_ = false;}' \
    'settings_tests'
mutation hex-digit-f-rejected src/panel/HexColor.cpp \
    's{u <= u\x27f\x27}{u < u\x27f\x27}' \
    'panel_preview_test'
mutation refused-hotkey-not-reverted src/settings/HotkeyMonitor.cpp \
    's{    registerHotKey\(previous\);\n}{}' \
    'settings_tests'
mutation keyword-case-sensitive src/panel/PreviewFormatter.cpp \
    's{unicode \| QRegularExpression::CaseInsensitiveOption}{unicode}' \
    'panel_preview_test'
mutation settings-nesting-bound-loose src/settings/SettingsJson.cpp \
    's{depth >= maxNesting}{depth > maxNesting}' \
    'settings_tests'
mutation panel-margin-ignored src/app/PanelGeometry.cpp \
    's{maxX - size\.width\(\) - margin\)}{maxX - size.width())}' \
    'app_logic_test'
mutation quit-option-unknown src/app/CommandLine.cpp \
    's{argument == QLatin1String\("--quit"\)}{argument == QLatin1String("--exit")}' \
    'app_logic_test'
mutation paste-activates-before-write src/app/AppDelegate.cpp \
    's{(    manager_->prepareForPaste\(entry\);\n)(    if \(previousApp_ && services_\.store\.workspace\) \{\n        services_\.store\.workspace->activate\(\*previousApp_\);\n    \}\n)}{$2$1}' \
    'app_logic_test'
mutation unconfirmed-request-acted-on src/app/SingleInstance.cpp \
    's{if \(line == confirm\) \{}{if (true) \{}' \
    'app_logic_test'
mutation tray-quit-not-wired src/app/AppDelegate.cpp \
    's{connect\(statusItem_\.get\(\), &TrayItem::quitRequested, this, &AppDelegate::quitApp\);}{}' \
    'app_end_to_end_test'
mutation modal-window-hides-panel src/app/PastePanelController.cpp \
    's{QApplication::activeModalWidget\(\) \|\| }{}' \
    'app_panel_window_test'
mutation panel-top-row-not-on-screen src/app/PanelGeometry.cpp \
    's{point\.y\(\) <= frame\.top\(\) \+ frame\.height\(\)}{point.y() < frame.top() + frame.height()}' \
    'app_logic_test'
mutation own-window-remembered src/app/AppDelegate.cpp \
    's{    if \(front && services_\.store\.workspace->belongsToThisProcess\(\*front\)\) \{\n        front\.reset\(\);\n    \}\n}{}' \
    'app_logic_test'
mutation wayland-foot-not-a-terminal src/platform/PasteChord.cpp \
    's{\s*u"foot",\s*// foot\n}{\n}' \
    'platform_wayland_test'
mutation wayland-wlr-data-control-unused src/platform/PlatformChoice.cpp \
    's{\} else if \(offers\(offer, WaylandGlobal::wlrDataControl\)\) \{}{\} else if (false) \{}' \
    'platform_logic_test'
mutation wayland-held-modifiers-leak src/platform/wayland/VirtualKeyboardPoster.cpp \
    's{zwp_virtual_keyboard_v1_modifiers\(keyboard_, chordMask, 0, 0, 0\);}{}' \
    'platform_wayland_test'
mutation x11-refused-grab-kept src/platform/x11/X11HotkeyRegistrar.cpp \
    's{if \(refused\) \{\n        ungrab\(grab\);}{if (refused) \{}' \
    'platform_x11_test'
mutation wayland-ext-data-control-not-preferred src/platform/PlatformChoice.cpp \
    's{if \(offers\(offer, WaylandGlobal::extDataControl\)\) \{}{if (offers(offer, WaylandGlobal::extDataControl) && !offers(offer, WaylandGlobal::wlrDataControl)) \{}' \
    'platform_logic_test'
mutation x11-primary-selection-counted src/platform/x11/X11Pasteboard.cpp \
    's{if \(mode != QClipboard::Clipboard\) \{}{if (false) \{}' \
    'platform_x11_test'

if [[ "${1:-}" == "--list" ]]; then
    for i in "${!names[@]}"; do printf '%-30s %s\n' "${names[i]}" "${files[i]}"; done
    exit 0
fi

selected=()
for i in "${!names[@]}"; do
    if (($# == 0)); then
        selected+=("$i")
        continue
    fi
    for name in "$@"; do
        [[ "${names[i]}" == "$name" ]] && selected+=("$i")
    done
done
((${#selected[@]} > 0)) || { echo "no such mutation: $*" >&2; exit 2; }

# A fresh copy of the tree; unchanged files keep their times, so the build stays incremental.
# Every file any mutation touches is made newer (not only the selected ones), so that no object
# built from a broken file by an earlier or interrupted run survives.
mkdir -p "$tree"
(cd "$root" && git ls-files -z --cached --others --exclude-standard | tar -cf - --null -T -) |
    tar -xf - -C "$tree"
for file in "${files[@]}"; do touch "$tree/$file"; done

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# File by file (no unity build), so that a mutation recompiles its own file only.
cmake -S "$tree" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLSTACK_WERROR=OFF \
    -DCMAKE_UNITY_BUILD=OFF \
    -DQUILLSTACK_BUILD_BENCHMARKS=OFF "${launcher[@]}" >"$work/configure.log"

run_tests() { # tests... ; returns ctest's status
    local regex
    regex="^($(tr ' ' '|' <<<"$*"))\$"
    (cd "$build" && ctest --timeout 300 -j2 -R "$regex" >"$work/ctest.log" 2>&1)
}
build_tests() { # targets...
    cmake --build "$build" -j2 --target "$@" >"$work/build.log" 2>&1
}

all_tests=$(for i in "${selected[@]}"; do echo "${testsets[i]}"; done | tr ' ' '\n' | sort -u | tr '\n' ' ')
echo "Unbroken tree: building and running $all_tests"
# shellcheck disable=SC2086
build_tests $all_tests || { echo "the unbroken tree does not build: $work/build.log" >&2; exit 1; }
# shellcheck disable=SC2086
run_tests $all_tests || { echo "tests fail on the unbroken tree: $work/ctest.log" >&2; exit 1; }

failed=0
rows=()
for i in "${selected[@]}"; do
    name=${names[i]} file=${files[i]} subst=${substs[i]} tests=${testsets[i]}
    cp "$root/$file" "$tree/$file"
    # shellcheck disable=SC2086 # $tests: one word per test
    if ! perl -0777 -i -pe "\$n += ($subst); END { exit(\$n == 1 ? 0 : 3) }" "$tree/$file"; then
        result="NOT APPLIED (pattern must match once)"
    elif ! build_tests $tests; then
        result="DOES NOT BUILD"
        cp "$work/build.log" "$work/$name.build.log"
    elif run_tests $tests; then
        result="MISSED"
    else
        result="caught"
    fi
    cp "$work/ctest.log" "$work/$name.ctest.log" 2>/dev/null || true
    # The original again, newer than the objects built from the mutation.
    cp "$root/$file" "$tree/$file"
    touch "$tree/$file"
    [[ "$result" == caught ]] || failed=1
    rows+=("$(printf '| %-28s | %-40s | %-56s | %s |' "$name" "$file" "$tests" "$result")")
    echo "${rows[-1]}"
done

echo
printf '| %-28s | %-40s | %-56s | %s |\n' mutation file tests result
printf '|%s|%s|%s|%s|\n' "$(printf -- '-%.0s' {1..30})" "$(printf -- '-%.0s' {1..42})" \
    "$(printf -- '-%.0s' {1..58})" "--------"
printf '%s\n' "${rows[@]}"
caught=$(printf '%s\n' "${rows[@]}" | grep -c '| caught |' || true)
echo
echo "$caught of ${#rows[@]} mutations caught"
exit "$failed"
