// Tabs: the remote, the keypad, and the keyboard, whose line takes the focus
// (typeInto) when its tab is chosen, which opens the phone's keyboard.
export function startTabs(tabs, typeInto) {
  function show(tab, typing) {
    for (const other of tabs) {
      const chosen = other === tab;
      other.setAttribute('aria-selected', String(chosen));
      other.tabIndex = chosen ? 0 : -1;
      document.getElementById(other.getAttribute('aria-controls')).hidden = !chosen;
    }
    if (typing && tab.id === 'tab-keyboard') typeInto();
  }

  for (const tab of tabs) {
    tab.addEventListener('click', () => show(tab, true));
    tab.addEventListener('keydown', (event) => {
      const step = { ArrowLeft: -1, ArrowRight: 1 }[event.key];
      if (!step) return;
      const next = tabs[(tabs.indexOf(tab) + step + tabs.length) % tabs.length];
      next.focus();
      show(next, false);
    });
  }
}
