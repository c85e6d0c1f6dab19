// Where each of the 87 fragments comes from when espeak-ng makes the voice:
// a carrier word in which the fragment is heard, and the phonemes of that
// word to keep.  Cutting a fragment out of a whole word keeps the way its
// sounds lead into each other, which a fragment said alone would lose.
//
// The cut lists espeak-ng's phoneme mnemonics (pt-br voice) in order,
// separated by blanks.  Where a list has brackets, only the phonemes inside
// them are kept and the others only say where in the word to look (the i of
// the conjunction, not the i of vinte).  An empty cut keeps the whole word.
// Carriers in [[ ]] are phonemes, used where the spelling cannot separate
// what the segments need (the two halves of não, the o and i of dezoito).
//
// Each carrier was chosen, among the words and phrases where the segment is
// heard, as the one whose cut sounds closest to espeak-ng's own reading when
// the game joins it with its neighbours: bench/voice_distortion.py measures
// that for every message, resultado, numbers from 0 to 999 and the ending,
// and a carrier was taken only where the phrases it is heard in came closer
// on the whole, none of them further than the first voice had them and none
// of the phrases a game says most (the prompt, resultado, the digits, the
// obstacles) further than before by more than 0.03 dB (mirabo-voice
// --sources tries a carrier without rebuilding).
#pragma once

#include <array>
#include <string_view>

#include "synt/segment_table.h"

namespace voice {

struct SegmentSource {
  std::string_view carrier;  // UTF-8 text or [[phonemes]]
  std::string_view cut;
  // Lengthened to fill its wait: for a held sound that even espeak-ng's
  // slowest speech leaves short of it, so that no gap opens in the word.
  bool fill = false;
  // Milliseconds of the neighbouring phonemes kept before and after the
  // cut (negative: left out), where the join is smoother a little into the
  // next sound than at espeak-ng's phoneme boundary.
  int leadMilliseconds = 0;
  int tailMilliseconds = 0;
  // A hiss heard in more than one place in words: the same sound from a
  // second word mixed in, this share of its power.  espeak-ng says an s at
  // the end of a word unlike one before a vowel, and segment 61 is both.
  // Only for noise: two voiced sounds mixed would sound like two voices.
  std::string_view blendCarrier = {};
  std::string_view blendCut = {};
  double blendShare = 0;
};

// clang-format off
inline constexpr std::array<SegmentSource, synt::SegmentCount> SegmentSources{{
    {"quanto", "&~ N"},                 // 1 an: quanto, antes
    // 2 a: agora, ainda, the a of "de 0 a 9", quatro; ending (agradece); as in quatro, the numbers' a
    {.carrier = "quatro", .cut = "a", .leadMilliseconds = 10},
    {"não", "&U~"},                     // 3 o: the nasal close of não, after 39 (the whole diphthong: it joins nã without a step)
    {"subir", "b i"},                   // 4 bi: subir
    {"fechada", "d &"},                 // 5 da: fechada, ainda, saída, da, escada
    {"dez", "d E"},                     // 6 de: dez (the open e of 10); ending (agradece)
    {"desse", "d e"},                   // 7 de: desse, desista, de, 16 to 19
    {"digite", "dZ i"},                 // 8 di: digite, and the last syllable of grande and parede
    // 9 do: dois, doze
    {.carrier = "doze", .cut = "d o", .fill = true, .tailMilliseconds = -10},
    {"dura", "d u"},                    // 10 du: dura, duzentos
    // 11 do: unstressed, as in lado, resultado; starts the closing phrase (doutor)
    {.carrier = "resultado", .cut = "d U", .fill = true},
    {"corredor", "d o"},                // 12 do: corredor
    {.carrier = "este é o corredor", .cut = "E", .fill = true},  // 13 é: the verb, in its phrase
    // 14 e: the conjunction, said i as in Brazil; also opens está, este, escada
    {.carrier = "vinte e dois", .cut = "j [i]", .fill = true, .leadMilliseconds = 10, .tailMilliseconds = -10},
    {"cem", "eI N"},                    // 15 en: enter, -enta, cem, cento, -entos (as in cem: the s before it is the one of most numbers)
    {"dezesseis", "eI"},                // 16 ei: seis
    {"fechada", "f e"},                 // 17 fe: fechada
    // 18 parabéns: opens the ending
    {.carrier = "parabéns", .cut = "", .tailMilliseconds = -10},
    {"grande", "g R"},                  // 19 gr, first part of gran: grande; ending (agradece)
    {"agora", "g O"},                   // 20 go: agora
    // 21 i: muito, sair, maior, saída, saia, dois, três, dezoito; the glide
    // that dois, três (treis), muito and saia say, held to fill its wait
    {.carrier = "[[tR'ejs]]", .cut = "j", .fill = true},
    // 22 in: ainda, cinco, quinze, vinte, trinta
    {.carrier = "cinco", .cut = "i N", .leadMilliseconds = -20},
    {"janela", "Z &"},                  // 23 ja: janela
    {"digite", "Z i"},                  // 24 gi: digite
    {"tecle", "k"},                     // 25 c: tecle, quinze
    {"escada", "k a"},                  // 26 ca: escada, catorze
    {"quinhentos", "k i"},              // 27 qui, first part of quinhen
    {"corredor", "k o"},                // 28 co: corredor
    {"procure", "k u"},                 // 29 cu: procure, quanto
    {"cinco", "k U"},                   // 30 co: cinco, quatro, quarenta, cinquenta
    {"resultado", "w"},                 // 31 l: resultado (a w in Brazil)
    {"sala", "l &", true},              // 32 la: sala, janela, lado; ending (Paula)
    {"tecle enter", "l i", true},       // 33 le: tecle
    {"quinhentos", "N"},                // 34 n, third part of quinhen
    {"numa", "m &"},                    // 35 ma: numa, maior, uma
    {"menos", "m e"},                   // 36 me: número; ending (menos)
    {"morte", "m O"},                   // 37 mo: morte
    {"muito grande", "m w", true},      // 38 mu: muito
    {"[[n'&~U~]]", "n &~"},             // 39 nã: não, closed by 3
    {"janela", "n E"},                  // 40 ne: janela
    {"quinhentos", "n^ eI"},            // 41 nhe, second part of quinhen
    // 42 no: nove, dezenove, novecentos
    {.carrier = "nove", .cut = "n O", .tailMilliseconds = 20},
    // 43 nu: numa, número; ending (menos)
    {.carrier = "numa", .cut = "n u", .tailMilliseconds = 40},
    {"noventa", "n o"},                 // 44 no: noventa
    {"doutor", "t o r"},                // 45 tor: ending (doutor)
    {"maior", "O"},                     // 46 o: maior
    {"este é o corredor", "E [U]"},     // 47 o: the article, said u
    // 48 p: procure, pra
    {.carrier = "procure", .cut = "p", .tailMilliseconds = 10},
    {"onze", "o N"},                    // 49 on: onze
    // 50 oi: oito, oitenta, oitocentos
    {.carrier = "oitocentos", .cut = "oI", .leadMilliseconds = -15},
    {"parede", "p a"},                  // 51 pa: parede; ending (Paula)
    {"pontos", "p o N"},                // 52 pon: ending (pontos)
    {"trinta", "R"},                    // 53 r: trinta, quarenta
    {"agora", "* &", true},             // 54 ra: agora, dura, pra; ending (agradece)
    {"grande", "&~ N"},                 // 55 an, second part of gran: grande
    // 56 re: parede, três, treze, trezentos
    {.carrier = "parede", .cut = "* e", .leadMilliseconds = -10},
    {"procure", "* y"},                 // 57 re: procure
    // 58 ro: número, procure, zero, quatro
    {.carrier = "zero", .cut = "* U", .leadMilliseconds = -10},
    {"enter", "r", true},               // 59 r: sair, maior, corredor, morte, subir, enter, catorze
    {"resultado", "x e"},               // 60 re: resultado, corredor
    // 61 s: plural s, and the s of cem, cento, cinco; ending (pontos, menos)
    {.carrier = "dez", .cut = "s", .blendCarrier = "cinco", .blendCut = "s", .blendShare = 0.2},
    {"sala", "s a"},                    // 62 sa: sala, sair, saída, saia
    // 63 se: sete, dezessete, setecentos
    {.carrier = "sete", .cut = "s E", .tailMilliseconds = 20},
    {"você", "s e"},                    // 64 cê: você, sessenta, setenta
    {"desse", "s y"},                   // 65 sse: desse; ending (agradece)
    {"subir", "s u"},                   // 66 su: subir
    // 67 t: três, quatro, treze, trinta
    {.carrier = "trinta", .cut = "t", .tailMilliseconds = 20},
    {"resultado", "t a"},               // 68 ta: está, desista, resultado, -enta
    {"este", "tS y"},                   // 69 te: tente, digite, este, morte, antes, sete, vinte
    // 70 te: tecle
    {.carrier = "tecle", .cut = "t E", .tailMilliseconds = 10},
    {"enter", "t e"},                   // 71 te: enter
    {"oitenta", "t eI N"},              // 72 ten: tente, setenta, oitenta
    {"catorze", "t o"},                 // 73 to: catorze
    {"oito", "t U"},                    // 74 to: muito, quanto, oito, cento, -entos; ending (pontos)
    {"uma", "u"},                       // 75 u: uma; ending (Paula)
    {"digite um número", "u~ N"},       // 76 um: um, where the prompt says it; 1
    {"vinte", "v"},                     // 77 v: vinte
    {"noventa", "v eI N"},              // 78 ven: noventa
    {"nove", "v y"},                    // 79 ve: nove
    {"você", "v o"},                    // 80 vo: você
    {"fechada", "S a"},                 // 81 cha: fechada
    {"duzentos", "z", true},            // 82 z: duzentos, trezentos
    {"zero", "z E"},                    // 83 ze: zero
    {"dezesseis", "z e"},               // 84 ze: dezesseis, dezessete, dezenove
    {"onze", "z y"},                    // 85 ze, zi: onze to quinze, desista
    {"[[dez'oitU]]", "z o"},            // 86 zo: dezoito
    {"resultado", "z u"},               // 87 su: resultado, where the s is said z
}};
// clang-format on

static_assert(SegmentSources.size() == synt::SegmentCount);

}  // namespace voice
