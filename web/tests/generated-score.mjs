// The benchmark's generated score (bench/motifgraft_bench.cc), for the browser tests: M
// measures of PARTS two-staff parts, chords everywhere, and on part 1's first measure the comping
// rhythm that serves as the source (staff 1, measure 1); every repeat over `all` fits.
function chord(steps, duration, type, staff, voice, articulation) {
  return steps.map((step, i) => '<note>' + (i > 0 ? '<chord/>' : '') +
    `<pitch><step>${step[0]}</step><octave>${step[1]}</octave></pitch><duration>${duration}</duration>` +
    `<voice>${voice}</voice><type>${type}</type><staff>${staff}</staff>` +
    (i === 0 && articulation ? `<notations><articulations><${articulation}/></articulations></notations>` : '') +
    '</note>\n').join('');
}

const rest = (duration, type, voice) =>
  `<note><rest/><duration>${duration}</duration><voice>${voice}</voice><type>${type}</type><staff>1</staff></note>\n`;

function measure(part, number) {
  const upper = ['E4', 'G4', 'C5'];
  const lower = ['C3', 'G3'];
  let out = `<measure number="${number}">\n`;
  if (number === 1) {
    out += '<attributes><divisions>4</divisions><time><beats>4</beats><beat-type>4</beat-type>' +
      '</time><staves>2</staves><clef number="1"><sign>G</sign><line>2</line></clef>' +
      '<clef number="2"><sign>F</sign><line>4</line></clef></attributes>\n';
  }
  if (part === 1 && number === 1) {
    out += chord(['B4'], 4, 'quarter', 1, '1', 'accent') + rest(2, 'eighth', '1') +
      chord(['B4'], 2, 'eighth', 1, '1', 'staccato') + rest(2, 'eighth', '1') +
      chord(['B4'], 2, 'eighth', 1, '1', null) + chord(['B4'], 4, 'quarter', 1, '1', null);
  } else {
    out += chord(upper, 8, 'half', 1, '1', 'tenuto') + chord(upper, 4, 'quarter', 1, '1', null) +
      chord(upper, 4, 'quarter', 1, '1', 'accent');
  }
  out += '<backup><duration>16</duration></backup>\n';
  out += chord(lower, 8, 'half', 2, '5', null) + chord(lower, 8, 'half', 2, '5', null);
  return out + '</measure>\n';
}

export function generatedScore(measures, parts = 10) {
  let out = '<?xml version="1.0" encoding="UTF-8"?>\n<score-partwise version="4.0">\n<part-list>\n';
  for (let p = 1; p <= parts; ++p) {
    out += `<score-part id="P${p}"><part-name>Piano ${p}</part-name></score-part>\n`;
  }
  out += '</part-list>\n';
  for (let p = 1; p <= parts; ++p) {
    out += `<part id="P${p}">\n`;
    for (let m = 1; m <= measures; ++m) out += measure(p, m);
    out += '</part>\n';
  }
  return out + '</score-partwise>\n';
}
