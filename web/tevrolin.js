// The page's glue between its elements and the calculator core in WebAssembly (tevrolin.wasm). The core runs the
// cascade and asks for its window operations, which this module carries out on the element whose id is the
// control's name; the page's own events reach the core as the clicks they are. Nothing is decided here.

const form = document.getElementById('Form1');
const notice = document.getElementById('ScriptNotice');
const box = document.getElementById('MessageBox');
const result = form.querySelector('output');
const calculate = form.querySelector('[type=submit]');

const kButtonBits = 0x0f; // a message's style: the buttons (0: OK alone), then the icon
const kIconBits = 0x70;
const kExclamationIcon = 48;

const decoder = new TextDecoder();
const encoder = new TextEncoder();
let core = null;
let message = null; // asked for by the running handler, shown once it has returned
let calculated = false; // whether the running handler wrote a result
let stopped = false;

function text(pointer, length) {
    return decoder.decode(new Uint8Array(core.memory.buffer, pointer, length));
}

function control(pointer, length) {
    const element = document.getElementById(text(pointer, length));
    return element && form.contains(element) ? element : null;
}

// The window operations, each answering whether it took effect.
const page = {
    setEnabled(pointer, length, enabled) {
        const element = control(pointer, length);
        if (!element) return false;
        if ('disabled' in element) {
            element.disabled = !enabled;
            return element.disabled === !enabled;
        }
        // A label is greyed for the eye and for screen readers alike.
        if (enabled) element.removeAttribute('aria-disabled');
        else element.setAttribute('aria-disabled', 'true');
        return true;
    },
    selectOption(pointer, length) {
        const option = control(pointer, length);
        if (!(option instanceof HTMLInputElement) || option.type !== 'radio') return false;
        option.checked = true; // a disabled option too; no event fires, so no handler runs
        return option.checked;
    },
    setCaption(pointer, length) {
        if (!result) return false;
        // A new text node each time, so that a screen reader announces the same result again too.
        result.replaceChildren(text(pointer, length));
        calculated = true;
        return true;
    },
    showMessage(promptPointer, promptLength, style, titlePointer, titleLength) {
        if ((style & kButtonBits) !== 0 || message || !(box instanceof HTMLDialogElement) || box.open) return false;
        message = {
            prompt: text(promptPointer, promptLength).replaceAll('\r\n', '\n'),
            title: text(titlePointer, titleLength),
            warning: (style & kIconBits) === kExclamationIcon,
        };
        return true;
    },
    runtimeError(pointer, length) {
        stop(text(pointer, length));
    },
};

function show({ title, prompt, warning }) {
    document.getElementById('MessageBoxTitle').textContent = title;
    document.getElementById('MessageBoxText').textContent = prompt;
    box.classList.toggle('warning-box', warning);
    box.showModal();
}

// An error that no handler caught, as the desktop shows it. The page takes no more input: it may no longer show what
// the user chose.
function stop(error) {
    if (stopped) return;
    stopped = true;
    message = null;
    form.inert = true;
    const report = `Run-time error: ${error}\n\nTevrolin cannot go on: reload the page to calculate again.`;
    notice.textContent = report.replaceAll('\n\n', ' ');
    document.documentElement.toggleAttribute('data-failed', true);
    try {
        show({ title: 'Tevrolin', prompt: report, warning: false });
    } catch {
        // the line at the foot of the page says it
    }
}

// Runs the page's part of an event; whatever fails in it, the core included, stops the page as an error does.
function guarded(work) {
    try {
        work();
    } catch (error) {
        stop(error instanceof Error ? error.message : String(error));
    }
}

function write(value) {
    const buffer = new Uint8Array(core.memory.buffer, core.buffer(), core.bufferSize());
    const { read, written } = encoder.encodeInto(value, buffer);
    return read === value.length ? written : -1;
}

function deliver(name) {
    if (stopped) return;
    guarded(() => {
        const length = write(name);
        if (length < 0) throw new Error(`no control is named ${name.slice(0, 40)}`);
        calculated = false;
        message = null;
        core.click(length);
        if (stopped) return;
        // Each calculation writes its choice into the address, in the command line's words.
        if (calculated) history.replaceState(null, '', `#${text(core.buffer(), core.fragment())}`);
        if (message) show(message);
    });
    message = null;
}

// Opening a link with a choice makes the same choices, as clicks, then presses Calculate. A part that is unknown, or
// that the cascade does not allow at that point, ends the replay there, and nothing more happens. While the message box
// is up, no click reaches the page, a link's neither.
function replay() {
    if (stopped || box.open) return;
    const press = (control) => {
        control.focus(); // where a click leaves it, so that the keys go on from there
        control.click();
    };
    const parts = location.hash.slice(1).split('&');
    for (const [index, part] of parts.entries()) {
        const length = write(part);
        const chosen = length < 0 ? 0 : core.choice(index, length);
        const option = chosen ? document.getElementById(text(core.buffer(), chosen)) : null;
        if (!option || option.disabled || stopped) return;
        press(option);
    }
    if (!calculate.disabled && !stopped) press(calculate);
}

function copyResult(event) {
    // With nothing selected, Ctrl+C copies the Baud Mode shown; before the first result there is none.
    if (!document.getSelection().isCollapsed || !result || result.hasAttribute('aria-disabled')) return;
    event.clipboardData.setData('text/plain', result.textContent.trim());
    event.preventDefault();
}

function afterMessage() {
    // The browser gives the focus back to where it was; where that is no enabled control of the form, to Calculate.
    const focused = document.activeElement;
    if (form.contains(focused) && !focused.disabled) return;
    (calculate.disabled ? form.querySelector(':enabled') : calculate)?.focus();
}

async function start() {
    try {
        if (typeof WebAssembly !== 'object') throw new Error('this browser runs no WebAssembly');
        const response = await fetch(new URL('tevrolin.wasm', import.meta.url));
        if (!response.ok) throw new Error(`tevrolin.wasm: ${response.status} ${response.statusText}`);
        const imports = {
            page,
            wasi_snapshot_preview1: {
                proc_exit(status) {
                    throw new Error(`the calculator ended with status ${status}`);
                },
            },
        };
        ({ exports: core } = (await WebAssembly.instantiate(await response.arrayBuffer(), imports)).instance);
        core._initialize();
    } catch (error) {
        notice.textContent = `Tevrolin could not load its calculator (${error.message}), so it cannot calculate.`;
        document.documentElement.toggleAttribute('data-failed', true);
        return;
    }

    form.addEventListener('change', (event) => {
        if (event.target.type === 'radio') deliver(event.target.id);
    });
    form.addEventListener('submit', (event) => {
        event.preventDefault();
        deliver((event.submitter ?? calculate).id);
    });
    box.addEventListener('close', afterMessage);
    document.addEventListener('copy', copyResult);
    // A link to this page with another choice, opened over it, changes only the fragment: the page is not loaded again.
    window.addEventListener('hashchange', () => guarded(replay));

    // An option chosen before the core was there: its click, late. Until then only the module group takes clicks.
    for (const option of form.querySelectorAll('input[type=radio]'))
        if (option.checked && !option.defaultChecked) deliver(option.id);
    guarded(replay);
    document.documentElement.toggleAttribute('data-ready', true);

    navigator.serviceWorker?.register('sw.js').catch(() => {
        // Without a service worker (a file opened from disk, a private window) the page still works, online only.
    });
}

start();
