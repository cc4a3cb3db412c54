// The characters beyond ASCII that each KOORDIN character set of the page holds, and the set
// that holds what the chosen one lacks: koordin writes `*` for a character its set lacks.
'use strict';

const CHARSET_LETTERS = {
  'CP1252': '€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ\u00a0¡¢£¤¥¦§¨©ª«¬\u00ad®¯°±²³´µ¶·¸¹º»¼½¾¿ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖ×ØÙÚÛÜÝÞßàáâãäåæçèéêëìíîïðñòóôõö÷øùúûüýþÿ',
  'CP1250': '€‚„…†‡‰Š‹ŚŤŽŹ‘’“”•–—™š›śťžź\u00a0ˇ˘Ł¤Ą¦§¨©Ş«¬\u00ad®Ż°±˛ł´µ¶·¸ąş»Ľ˝ľżŔÁÂĂÄĹĆÇČÉĘËĚÍÎĎĐŃŇÓÔŐÖ×ŘŮÚŰÜÝŢßŕáâăäĺćçčéęëěíîďđńňóôőö÷řůúűüýţ˙',
  'CP850': 'ÇüéâäàåçêëèïîìÄÅÉæÆôöòûùÿÖÜø£Ø×ƒáíóúñÑªº¿®¬½¼¡«»░▒▓│┤ÁÂÀ©╣║╗╝¢¥┐└┴┬├─┼ãÃ╚╔╩╦╠═╬¤ðÐÊËÈıÍÎÏ┘┌█▄¦Ì▀ÓßÔÒõÕµþÞÚÛÙýÝ¯´\u00ad±‗¾¶§÷¸°¨·¹³²■\u00a0',
  'ISO-8859-1': '\u00a0¡¢£¤¥¦§¨©ª«¬\u00ad®¯°±²³´µ¶·¸¹º»¼½¾¿ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖ×ØÙÚÛÜÝÞßàáâãäåæçèéêëìíîïðñòóôõö÷øùúûüýþÿ',
  'ISO-8859-2': '\u00a0Ą˘Ł¤ĽŚ§¨ŠŞŤŹ\u00adŽŻ°ą˛ł´ľśˇ¸šşťź˝žżŔÁÂĂÄĹĆÇČÉĘËĚÍÎĎĐŃŇÓÔŐÖ×ŘŮÚŰÜÝŢßŕáâăäĺćçčéęëěíîďđńňóôőö÷řůúűüýţ˙',
};

// The characters of `names` that `charset` lacks, each once, in order of first use, and how many
// names have any.
function lackedCharacters(names, charset) {
  const held = new Set(CHARSET_LETTERS[charset] ?? '');
  const lacked = new Set();
  let count = 0;
  for (const name of names) {
    let lacks = false;
    for (const character of name) {
      if (character.codePointAt(0) < 0x80 || held.has(character)) continue;
      lacked.add(character);
      lacks = true;
    }
    if (lacks) ++count;
  }
  return { characters: [...lacked], names: count };
}

// The set that holds all of `characters`, else the one that holds the most of them; null when
// none holds any. Sets are tried in the order of CHARSET_LETTERS.
function charsetHolding(characters) {
  let best = null, most = 0;
  for (const [charset, letters] of Object.entries(CHARSET_LETTERS)) {
    const held = characters.filter(character => letters.includes(character)).length;
    if (held > most) {
      best = charset;
      most = held;
    }
  }
  return best;
}
