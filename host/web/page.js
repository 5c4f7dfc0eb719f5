// The page around the saver module (halvorn.js): the canvas that fills the
// window, the clock and the frame pacing, full screen, the settings panel that
// writes the address, and the trace and bench runs. window.halvorn shows the
// running page's state to tests.
'use strict';

const $ = (id) => document.getElementById(id);
const canvas = $('canvas');

// The page's one visible line for problems; never a blank page.
function say(line) {
    $('message').textContent = line;
    $('message').hidden = !line;
}

function halvornLoadFailed() {
    say('Halvorn could not load halvorn.js; serve this folder with all of its files.');
}

// The page's clock as the saver's 32-bit millisecond tick count.
function tickMs() {
    return Math.floor(performance.now()) >>> 0;
}

const halvorn = {
    frames: 0,          // frames run since the start
    ships: 0,           // ships the first battle was built with (its world's count at frame 1)
    fpsText: '',        // the last frame-rate line
    wantPicture: false, // set to have the next frame's picture summarised into .picture
    picture: null,
    traceDone: false,
    benchDone: false,
    contextLosses: 0,   // webglcontextlost events seen
    frameLog: null,     // set to an array to have [start ms, frame-rate line] of each frame appended
};
window.halvorn = halvorn;

var Module = {
    canvas: canvas,
    onRuntimeInitialized: run,
    onAbort: (what) => say('Halvorn stopped: ' + what),
};

function run() {
    const hv = {
        parse: Module.cwrap('hvParse', 'string', ['string']),
        start: Module.cwrap('hvStart', 'number', ['number', 'number', 'number', 'number']),
        frame: Module.cwrap('hvFrame', 'number', ['number']),
        reshape: Module.cwrap('hvReshape', null, ['number', 'number']),
        fpsText: Module.cwrap('hvFpsText', 'string', []),
        ships: Module.cwrap('hvShips', 'number', []),
        traceLine: Module.cwrap('hvTraceLine', 'string', ['number']),
        readPixels: Module.cwrap('hvReadPixels', 'number', []),
        benchStep: Module.cwrap('hvBenchStep', 'number', ['number']),
        contextLost: Module.cwrap('hvContextLost', null, []),
        contextRestored: Module.cwrap('hvContextRestored', 'number', []),
        resume: Module.cwrap('hvResume', null, ['number']),
    };
    const options = JSON.parse(hv.parse(location.search));
    say(options.message);
    fillSettingsPanel(options);

    // The drawing buffer: the fixed size, or the canvas's size on the screen in device pixels.
    function fitCanvas() {
        const dpr = window.devicePixelRatio || 1;
        const w = options.width || Math.max(1, Math.round(canvas.clientWidth * dpr));
        const h = options.height || Math.max(1, Math.round(canvas.clientHeight * dpr));
        if (canvas.width === w && canvas.height === h) return false;
        canvas.width = w;
        canvas.height = h;
        return true;
    }
    fitCanvas();

    const benchLines = [];
    function report(line) {
        benchLines.push(line);
        console.log('halvorn bench: ' + line);
        $('bench').textContent = benchLines.join('\n');
        $('bench').hidden = false;
    }
    if (options.bench) {
        const us = hv.benchStep(3);
        report(`battle step without drawing, 313 ships: ${us.toFixed(1)} us per frame`);
    }

    if (hv.start(canvas.width, canvas.height, tickMs(), Date.now() >>> 0) !== 0) {
        say('Halvorn needs WebGL, which this browser does not offer or has switched off.');
        return;
    }
    const onResize = () => {
        if (fitCanvas()) hv.reshape(canvas.width, canvas.height);
    };
    window.addEventListener('resize', onResize);
    // devicePixelRatio changes (zoom, another screen) fire no resize everywhere.
    (function watchPixelRatio() {
        const query = matchMedia(`(resolution: ${window.devicePixelRatio || 1}dppx)`);
        query.addEventListener('change', () => { onResize(); watchPixelRatio(); }, { once: true });
    })();

    // The battle waits while the page is hidden (a hidden page's timers are
    // slowed down: its frames would come seldom and step far) and while
    // WebGL's context is lost. `loop` runs the frames (the paced frames, or
    // the trace's slices); it returns at once while the battle waits, and
    // going on again runs it after telling the saver that frames were held back.
    const gl = Module.ctx;
    const waits = { hidden: document.hidden, lost: false };
    let timer = 0;
    let loop = null;
    const canRun = () => !waits.hidden && !waits.lost && !gl.isContextLost();
    const schedule = (ms) => {
        timer = setTimeout(() => { timer = 0; loop(); }, ms);
    };
    function setWaiting(why, on) {
        waits[why] = on;
        if (waits.hidden || waits.lost) {
            clearTimeout(timer);
            timer = 0;
        } else if (!timer && loop) {
            hv.resume(tickMs());
            loop();
        }
    }
    document.addEventListener('visibilitychange', () => setWaiting('hidden', document.hidden));
    canvas.addEventListener('webglcontextlost', (event) => {
        event.preventDefault();  // so that the browser may give it back
        halvorn.contextLosses += 1;
        hv.contextLost();
        say('The browser took WebGL away from this page; the battle waits for it to come back ' +
            '(reload the page if it does not).');
        setWaiting('lost', true);
    });
    canvas.addEventListener('webglcontextrestored', () => {
        if (hv.contextRestored() !== 0) {
            say('Halvorn cannot draw with the WebGL the browser gave back; reload the page to start again.');
            return;
        }
        say(options.message);
        setWaiting('lost', false);
    });

    function afterFrame() {
        halvorn.frames += 1;
        // Later frames may count fewer: ships that exploded have left the world.
        if (halvorn.frames === 1) halvorn.ships = hv.ships();
        if (options.fps) {
            halvorn.fpsText = hv.fpsText();
            $('fps').textContent = halvorn.fpsText;
            $('fps').hidden = false;
        }
        if (halvorn.wantPicture) {
            halvorn.wantPicture = false;
            // Reading may grow the module's memory, which replaces HEAPU8: take it afterwards.
            const pointer = hv.readPixels();
            halvorn.picture = pictureSummary(Module.HEAPU8, pointer, canvas.width, canvas.height);
        }
    }

    if (options.trace) {
        loop = traceSlices(hv, options.frames, afterFrame, canRun, schedule);
        if (canRun()) loop();
        return;
    }

    // The saver's pacing: each frame says when the next is due, counted from
    // its own start, like a one-shot timer armed at the frame.
    const bench = { from: 61, to: 61 + 310, work: 0, starts: [], delay: 0 };
    function frame() {
        if (!canRun()) return;
        const started = performance.now();
        const delay = hv.frame(tickMs());
        afterFrame();
        if (halvorn.frameLog) halvorn.frameLog.push([started, halvorn.fpsText]);
        if (options.bench && !halvorn.benchDone && halvorn.frames > bench.from) {
            bench.starts.push(started);
            bench.work += performance.now() - started;
            bench.delay = delay;
            if (halvorn.frames >= bench.to) {
                const n = bench.starts.length - 1;
                const mean = (bench.starts[n] - bench.starts[0]) / n;
                report(`page at ${canvas.width}x${canvas.height}, ${13 + options.ships} ships a battle: ` +
                       `${mean.toFixed(1)} ms between frames, ${(bench.work / (n + 1)).toFixed(1)} ms of work ` +
                       `per frame, period ${bench.delay} ms, over ${n} frames`);
                halvorn.benchDone = true;
            }
        }
        schedule(Math.max(0, started + delay - performance.now()));
    }
    loop = frame;
    if (canRun()) frame();
}

// The trace run: `frames` frames as fast as the page allows, in slices that
// leave the page responsive (each stops where canRun() turns false and the
// page runs it again later), then the trace (frame 0 first) in #trace.
function traceSlices(hv, frames, afterFrame, canRun, schedule) {
    const lines = [hv.traceLine(0)];
    let k = 1;
    return function slice() {
        const until = performance.now() + 100;
        for (; k <= frames && performance.now() < until; ++k) {
            if (!canRun()) return;
            hv.frame(tickMs());
            afterFrame();
            lines.push(hv.traceLine(k));
        }
        if (k <= frames) {
            schedule(0);
            return;
        }
        $('trace').textContent = lines.join('\n') + '\n';
        halvorn.traceDone = true;
    };
}

// A summary of an RGBA picture (bottom row first): pixels not black, those in
// the top and bottom twentieth of the rows, and a checksum.
function pictureSummary(heap, pointer, width, height) {
    const px = heap.subarray(pointer, pointer + width * height * 4);
    const edge = Math.floor(height / 20);
    let lit = 0;
    let edgeLit = 0;
    let sum = 0;
    for (let y = 0; y < height; ++y) {
        const onEdge = y < edge || y >= height - edge;
        for (let i = y * width * 4, end = i + width * 4; i < end; i += 4) {
            const v = px[i] + px[i + 1] + px[i + 2];
            sum = (Math.imul(sum, 31) + v) >>> 0;
            if (v > 24) {
                lit += 1;
                if (onEdge) edgeLit += 1;
            }
        }
    }
    return { width, height, lit, edgeLit, sum };
}

// The panel shows the settings in force; Apply writes them into the address
// (keeping its other values) and so restarts the battle with them.
function fillSettingsPanel(options) {
    const form = $('settings-form');
    form.elements['ships'].value = options.ships;
    form.elements['letterbox'].checked = !!options.letterbox;
    form.elements['random-start-view'].checked = !!options.randomStartView;
    form.elements['low-res-stars'].checked = !!options.lowResStars;
    form.elements['fps'].checked = !!options.fps;
    form.addEventListener('submit', (event) => {
        event.preventDefault();
        const params = new URLSearchParams(location.search);
        const ships = Math.trunc(Number(form.elements['ships'].value)) || 0;
        if (ships > 0) params.set('ships', String(ships)); else params.delete('ships');
        for (const name of ['letterbox', 'random-start-view', 'low-res-stars', 'fps']) {
            if (form.elements[name].checked) params.set(name, '1'); else params.delete(name);
        }
        const query = params.toString();
        location.search = query ? '?' + query : '';
    });
}

function toggleFullscreen() {
    if (document.fullscreenElement) {
        document.exitFullscreen();
    } else if (document.documentElement.requestFullscreen) {
        document.documentElement.requestFullscreen().catch(() => say('This browser refused full screen.'));
    }
}
$('fullscreen').addEventListener('click', toggleFullscreen);
canvas.addEventListener('dblclick', toggleFullscreen);
document.addEventListener('keydown', (event) => {
    if (event.key === 'Escape' && document.fullscreenElement) document.exitFullscreen();
});
