// The words that start the page's messages, from the table Vork's build reads
// too (page_protocol.json): each word under its own name, so that the page
// spells none of them itself. TO_VORK: the words the page sends; TO_PAGE:
// Vork's, which it recognises; ERRORS: what Vork's "error" says.
import protocol from '../page_protocol.json' with { type: 'json' };

const words = (...groups) => Object.freeze(Object.fromEntries(
  groups.flatMap((group) => Object.keys(group)).map((word) => [word, word])));

export const TO_VORK = words(protocol.toVork.clear, protocol.toVork.sealed);
export const TO_PAGE = words(protocol.toPage.clear, protocol.toPage.sealed);
export const ERRORS = words(protocol.toPage.errors);
