#include "wren_WrenCanvas.h"

#include <algorithm>

#include "VMMath.h"
#include "VMTry.h"

// ---------------------------------------------------------------------------
// Canvas animation tables and lightweight players: eight shorts a player,
// [0] set, [1] animation, [2] step, [3] loops left, [4] time in the step
// (unsigned), [5]/[6] position, [7] shown step.
// ---------------------------------------------------------------------------

namespace wren {

using javax::microedition::lcdui::Graphics;

namespace {
// Packed entries: (index << 16 | ...) first index, and the signed 10-bit
// offsets of steps and pieces.
inline jint firstOf(jint entry) { return vmUshr(entry, 16); }
inline jint offsetXOf(jint v) { return (v << 10) >> 22; }
inline jint offsetYOf(jint v) { return (v << 20) >> 22; }
inline jint loopOf(jint entry) { return jint(jshort(entry)) >> 10; }
}  // namespace

jint WrenCanvas::findAnimSet(jint setKey) {
    if (animSetKeys == nullptr) return -1;
    for (jint i = 0; i < animSetKeys->length; ++i)
        if ((animSetKeys[i] & 0x7FFF) == setKey) return i;
    return -1;
}

jint WrenCanvas::getFrameCount(jint setKey) { return frameTable[findAnimSet(setKey)]->length; }

void WrenCanvas::copyPlayer(jint from, jint to) {
    ensurePlayers(to + 1);
    for (jint i = 0; i < 8; ++i) players[8 * to + i] = players[8 * from + i];
}

jint WrenCanvas::getFrameBoxCount(jint setKey, jint frame) {
    currentSet = findAnimSet(setKey);
    return (frameTable[currentSet][frame] >> 8) & 0xFF;
}

jint WrenCanvas::stepOf(jint player) {
    return firstOf(animTable[players[8 * player]][players[8 * player + 1]]);
}

jint WrenCanvas::durationOf(jint set, jint stepIndex) {
    return durationTable[set][stepFlags[set][stepIndex] & 0x3F];
}

void WrenCanvas::setStep(jint player, jint step) {
    jint base = 8 * player;
    jint v = stepData[players[base]][stepOf(player) + step];
    players[base + 2] = jshort(step);
    players[base + 4] = 0;
    lastMoveX = offsetXOf(v) - players[base + 5];
    lastMoveY = offsetYOf(v) - players[base + 6];
    players[base + 5] = jshort(offsetXOf(v));
    players[base + 6] = jshort(offsetYOf(v));
    players[base + 7] = jshort(step);
}

jint WrenCanvas::getElapsedTime(jint player) {
    jint base = 8 * player;
    jint time = players[base + 4] & 0xFFFF;
    if (getStepCount(player) > 0) {
        jint set = players[base];
        jint first = stepOf(player);
        for (jint s = 0; s < players[base + 2]; ++s) time += durationOf(set, first + s);
    }
    return time;
}

jint WrenCanvas::getStepCount(jint player) {
    return animTable[players[8 * player]][players[8 * player + 1]] & 0x3FF;
}

void WrenCanvas::setAnimSetKept(jint setKey, jboolean keep) {
    jint i = findAnimSet(setKey);
    animSetKeys[i] = jshort(keep ? (animSetKeys[i] | 0x8000) : (animSetKeys[i] & 0x7FFF));
}

void WrenCanvas::compactAnimSets() {
    jint kept = 0;
    if (animSetKeys != nullptr)
        for (jint i = 0; i < animSetKeys->length; ++i)
            if (animSetKeys[i] & 0x8000) ++kept;
    if (kept == 0) {
        animSetKeys = nullptr;
        animTable = nullptr;
        stepFlags = nullptr;
        stepData = nullptr;
        durationTable = nullptr;
        frameTable = nullptr;
        framePieces = nullptr;
        frameBoxIndex = nullptr;
        boxData = nullptr;
        boxInfo = nullptr;
        players = nullptr;
        return;
    }
    VMPtr<VMArray<jchar>> rows = VMArray<jchar>::create(kept);
    VMPtr<VMArray<jshort>> keys = VMArray<jshort>::create(kept);
    for (jint i = 0, k = 0; i < animSetKeys->length; ++i)
        if (animSetKeys[i] & 0x8000) {
            rows[k] = jchar(i);
            keys[k++] = animSetKeys[i];
        }
    auto ints = [&](const VMPtr<VMArray<jint, 2>>& t) {
        VMPtr<VMArray<jint, 2>> out = VMArray<jint, 2>::create(kept);
        selectIntRows(t, rows, out);
        return out;
    };
    auto chars = [&](const VMPtr<VMArray<jchar, 2>>& t) {
        VMPtr<VMArray<jchar, 2>> out = VMArray<jchar, 2>::create(kept);
        selectCharRows(t, rows, out);
        return out;
    };
    VMPtr<VMArray<jbyte, 2>> flags = VMArray<jbyte, 2>::create(kept);
    selectByteRows(stepFlags, rows, flags);
    animTable = ints(animTable);
    stepFlags = flags;
    stepData = ints(stepData);
    durationTable = chars(durationTable);
    frameTable = ints(frameTable);
    framePieces = ints(framePieces);
    frameBoxIndex = chars(frameBoxIndex);
    boxData = ints(boxData);
    boxInfo = chars(boxInfo);
    animSetKeys = keys;
}

jint WrenCanvas::getAnimation(jint player) { return players[8 * player + 1]; }

jint WrenCanvas::getStep(jint player) { return players[8 * player + 2]; }

void WrenCanvas::ensurePlayers(jint count) { players = ensureShortLength(players, 8 * count); }

jboolean WrenCanvas::updatePlayer(jint player, jint elapsedMs) {
    jint base = 8 * player;
    jint loops = players[base + 3];
    if (loops == 0) {
        lastMoveX = lastMoveY = 0;
        return false;
    }
    jint set = players[base];
    jint entry = animTable[set][players[base + 1]];
    jint first = firstOf(entry);
    jint count = entry & 0x3FF;
    if (count == 0) {  // nothing to play: no step to read or move to
        lastMoveX = lastMoveY = 0;
        return true;
    }
    VMPtr<VMArray<jint>> data = stepData[set];
    VMPtr<VMArray<jbyte>> flags = stepFlags[set];
    VMPtr<VMArray<jchar>> durations = durationTable[set];
    auto duration = [&](jint s) { return jint(durations[flags[first + s] & 0x3F]); };
    auto level = [&](jint s) { return (flags[first + s] >> 6) & 3; };

    jint time = elapsedMs + (players[base + 4] & 0xFFFF);
    jint step = players[base + 2];
    jint startX = players[base + 5];
    jint startY = players[base + 6];
    jint minLevel = step == players[base + 7] ? 0 : level(step);
    jint shown = step;
    jint d = 0;
    // Steps passed in a row that took no time: a whole round of them in an
    // endless animation would go round for ever, so it ends the update.
    jint idleSteps = 0;
    for (;;) {
        d = duration(step);
        if (time < d) break;
        if (d == 0 && loops < 0 && ++idleSteps >= count) {
            time = 0;
            break;
        }
        if (d != 0) idleSteps = 0;
        time -= d;
        jint next = step + 1;
        if (next == count) {
            if (loops > 0 && --loops == 0) {
                time = d;
                break;
            }
            jint last = data[first + count - 1];
            startX -= offsetXOf(last);
            startY -= offsetYOf(last);
            next = 0;
        }
        step = next;
        jint l = level(step);
        if (l < minLevel) continue;
        minLevel = l;
        shown = step;
        if (l == 3) break;
    }
    jint v = data[first + step];
    jint x = offsetXOf(v);
    jint y = offsetYOf(v);
    if ((v & 3) != 0 && loops != 0) {
        bool target = true;
        jint tx = 0, ty = 0;
        if (step + 1 < count) {
            tx = offsetXOf(data[first + step + 1]);
            ty = offsetYOf(data[first + step + 1]);
        } else if (loops != 1) {
            tx = offsetXOf(data[first]) + x;
            ty = offsetYOf(data[first]) + y;
        } else {
            target = false;
        }
        // A step of no duration is not between two places: it shows its own.
        if (target && d > 0) {
            jint f = vmDiv(time << 12, d);
            x += ((tx - x) * f) >> 12;
            y += ((ty - y) * f) >> 12;
        }
    }
    lastMoveX = x - startX;
    lastMoveY = y - startY;
    players[base + 2] = jshort(step);
    players[base + 3] = jshort(loops);
    players[base + 4] = jshort(time);
    players[base + 5] = jshort(x);
    players[base + 6] = jshort(y);
    players[base + 7] = jshort(shown);
    return loops != 0;
}

void WrenCanvas::startAnimation(jint player, jint setKey, jint animation) {
    ensurePlayers(player + 1);
    jint set = findAnimSet(setKey);
    jint entry = animTable[set][animation];
    jint base = 8 * player;
    players[base] = jshort(set);
    players[base + 1] = jshort(animation);
    players[base + 3] = jshort(loopOf(entry));
    players[base + 2] = players[base + 4] = players[base + 5] = 0;
    players[base + 6] = players[base + 7] = 0;
}

jint WrenCanvas::getShownStep(jint player) { return players[8 * player + 7]; }

jint WrenCanvas::selectPlayerFrame(jint player) {
    currentSet = players[8 * player];
    return vmUshr(stepData[currentSet][stepOf(player) + players[8 * player + 7]], 22);
}

void WrenCanvas::computeFrameBounds(const VMPtr<VMArray<Gob*>>& gobs, jint frame, jint transform,
                                    const VMPtr<VMArray<jint>>& bounds) {
    jint entry = frameTable[currentSet][frame];
    jint first = firstOf(entry);
    jint minX = INT32_MAX, minY = INT32_MAX, maxX = INT32_MIN, maxY = INT32_MIN;
    for (jint k = 0; k < (entry & 0xFF); ++k) {
        jint p = framePieces[currentSet][first + k];
        VMPtr<Gob> gob = gobs[vmUshr(p, 22)];
        jint t = (p & 3) ^ transform;
        jint x = gob->offsetX + offsetXOf(p), y = gob->offsetY + offsetYOf(p);
        jint w = gob->width, h = gob->height;
        jint tx = transformX(x, y, w, h, t), ty = transformY(x, y, w, h, t);
        if (t & 4) std::swap(w, h);
        minX = std::min(minX, tx);
        minY = std::min(minY, ty);
        maxX = std::max(maxX, tx + w);
        maxY = std::max(maxY, ty + h);
    }
    bounds[0] = minX;
    bounds[1] = minY;
    bounds[2] = maxX - minX;
    bounds[3] = maxY - minY;
}

void WrenCanvas::paintFramePieces(const VMPtr<Graphics>& g, const VMPtr<VMArray<Gob*>>& gobs,
                                  jint frame, jint x, jint y, jint transform) {
    jint entry = frameTable[currentSet][frame];
    jint first = firstOf(entry);
    for (jint k = 0; k < (entry & 0xFF); ++k) {
        jint p = framePieces[currentSet][first + k];
        VMPtr<Gob> gob = gobs[vmUshr(p, 22)];
        jshort ox = gob->offsetX, oy = gob->offsetY;
        gob->offsetX = jshort(ox + offsetXOf(p));
        gob->offsetY = jshort(oy + offsetYOf(p));
        // The Gob may be shared: its offsets come back even when paint throws.
        vmTryFinally([&] { gob->paint(g, x, y, (p & 3) ^ transform); },
                     [&] {
                         gob->offsetX = ox;
                         gob->offsetY = oy;
                     });
    }
}

jint WrenCanvas::getFrameBoxes(const VMPtr<VMArray<jshort>>& out, jint frame, jint transform,
                               jboolean filter, jint type) {
    jint entry = frameTable[currentSet][frame];
    jint first = frameBoxIndex[currentSet][frame];
    jint count = (entry >> 8) & 0xFF;
    jint written = 0;
    for (jint k = 0; k < count && 5 * written + 5 <= out->length; ++k) {
        jint v = boxData[currentSet][first + k];
        jint info = boxInfo[currentSet][first + k];
        jint boxType = info & 0x3F;
        if (filter && boxType != type) continue;
        jint x = v >> 21, y = (v << 11) >> 21, w = v & 0x3FF, h = info >> 6;
        jint o = 5 * written++;
        out[o] = jshort(transformX(x, y, w, h, transform));
        out[o + 1] = jshort(transformY(x, y, w, h, transform));
        out[o + 2] = jshort((transform & 4) ? h : w);
        out[o + 3] = jshort((transform & 4) ? w : h);
        out[o + 4] = jshort(boxType);
    }
    return written;
}

void WrenCanvas::paintPlayer(const VMPtr<Graphics>& g, const VMPtr<VMArray<Gob*>>& gobs,
                             jint player, jint x, jint y, jint transform) {
    if (getStepCount(player) == 0) return;
    paintFramePieces(g, gobs, selectPlayerFrame(player), x, y, transform);
}

void WrenCanvas::paintSetFrame(const VMPtr<Graphics>& g, const VMPtr<VMArray<Gob*>>& gobs,
                               jint setKey, jint frame, jint x, jint y, jint transform) {
    currentSet = findAnimSet(setKey);
    paintFramePieces(g, gobs, frame, x, y, transform);
}

void WrenCanvas::getPlayerBounds(const VMPtr<VMArray<Gob*>>& gobs, jint player, jint x, jint y,
                                 jint transform, const VMPtr<VMArray<jint>>& bounds) {
    if (getStepCount(player) == 0) return;
    computeFrameBounds(gobs, selectPlayerFrame(player), transform, bounds);
    bounds[0] = bounds[0] + x;
    bounds[1] = bounds[1] + y;
}

void WrenCanvas::getSetFrameBounds(jint setKey, jint frame, const VMPtr<VMArray<Gob*>>& gobs,
                                   jint transform, const VMPtr<VMArray<jint>>& bounds) {
    currentSet = findAnimSet(setKey);
    computeFrameBounds(gobs, frame, transform, bounds);
}

jint WrenCanvas::getPlayerPieces(jint player, const VMPtr<VMArray<jshort>>& out, jint transform) {
    if (getStepCount(player) == 0) return 0;
    jint frame = selectPlayerFrame(player);
    jint entry = frameTable[currentSet][frame];
    jint first = firstOf(entry), count = entry & 0xFF;
    for (jint k = 0; k < count && 4 * k + 4 <= out->length; ++k) {
        jint p = framePieces[currentSet][first + k];
        jint dx = offsetXOf(p), dy = offsetYOf(p);
        out[4 * k] = jshort(vmUshr(p, 22));
        out[4 * k + 1] = jshort(transformX(dx, dy, 0, 0, transform));
        out[4 * k + 2] = jshort(transformY(dx, dy, 0, 0, transform));
        out[4 * k + 3] = jshort((p & 3) ^ transform);
    }
    return count;
}

jint WrenCanvas::getPlayerBoxes(jint player, const VMPtr<VMArray<jshort>>& out) {
    if (getStepCount(player) == 0) return 0;
    return getFrameBoxes(out, selectPlayerFrame(player), 0, false, 0);
}

jint WrenCanvas::getPlayerBoxes(jint player, const VMPtr<VMArray<jshort>>& out, jint type) {
    if (getStepCount(player) == 0) return 0;
    return getFrameBoxes(out, selectPlayerFrame(player), 0, true, type);
}

jint WrenCanvas::getSetFrameBoxes(jint setKey, jint frame, const VMPtr<VMArray<jshort>>& out) {
    currentSet = findAnimSet(setKey);
    return getFrameBoxes(out, frame, 0, false, 0);
}

jint WrenCanvas::getSetFrameBoxes(jint setKey, jint frame, const VMPtr<VMArray<jshort>>& out,
                                  jint type) {
    currentSet = findAnimSet(setKey);
    return getFrameBoxes(out, frame, 0, true, type);
}

}  // namespace wren
