// Pairing: the form that pairs this phone, by the secret in the QR code's
// address or by the code typed from the PC's screen, under a name; and
// Forget, which undoes it.
const NAME_KEY = 'vork.name';

function defaultName() {
  const agent = navigator.userAgent;
  if (/iPhone/.test(agent)) return 'iPhone';
  if (/iPad/.test(agent)) return 'iPad';
  const model = /Android[^;]*;\s*([^;)]+?)(?:\s+Build|\))/.exec(agent);
  if (model && model[1] !== 'K') return model[1].trim();
  if (/Android/.test(agent)) return 'Android phone';
  return 'Browser';
}

// parts: the form and its code field, code, name and Pair button, and the
// Forget button; link: the page's link (link.js).
export function startLogin({ form, codeField, code, name, pair, forget }, link, storage) {
  let qrSecret = null;        // from the QR code's address, until Pair uses it
  let pairWait = 0;

  forget.addEventListener('click', () => {
    if (!window.confirm('Forget this phone? Using it again takes a new pairing with the code on the PC.')) return;
    link.forget();
  });

  form.addEventListener('submit', (event) => {
    event.preventDefault();
    const named = name.value.trim() || defaultName();
    storage.setItem(NAME_KEY, named);
    const offer = qrSecret ? { secret: qrSecret } : { code: code.value };
    qrSecret = null;
    link.pairWith(offer, named);
  });

  // The QR code's address carries the pairing secret after '#', which the
  // browser never sends; it leaves the address bar (and the history) at once.
  const fragment = /^#pair=([0-9a-f]{32})$/.exec(location.hash);
  if (fragment) {
    history.replaceState(null, '', location.pathname + location.search);
    qrSecret = fragment[1];
  }
  name.value = storage.getItem(NAME_KEY) || defaultName();

  return {
    get fromQr() { return Boolean(qrSecret); },
    // The form; the code field only when there is no secret from a QR code to use.
    show() {
      form.hidden = false;
      codeField.hidden = Boolean(qrSecret);
    },
    // The Pair button waits while a pairing is under way or Vork asked to wait.
    pairButton(seconds) {
      clearTimeout(pairWait);
      pair.disabled = seconds !== 0;
      if (seconds > 0) pairWait = setTimeout(() => { pair.disabled = false; }, seconds * 1000);
    },
  };
}
